#include "workspace/sketch_snapshot.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace carbonel {

SketchSnapshot SketchSnapshot::whiteSheet(int width, int height) {
    SketchSnapshot sheet;
    sheet.width_ = width;
    sheet.height_ = height;
    sheet.tiles_.assign(static_cast<std::size_t>(sheet.columns()) * sheet.rows(), nullptr);
    return sheet;
}

SketchSnapshot SketchSnapshot::of(const Raster& sketch) {
    return whiteSheet(sketch.width(), sketch.height())
        .updated(sketch, {0, 0, sketch.width() - 1, sketch.height() - 1});
}

PixelArea SketchSnapshot::tileArea(PixelArea area) const {
    const int left = std::clamp(area.left, 0, width_ - 1) / kTileSide * kTileSide;
    const int top = std::clamp(area.top, 0, height_ - 1) / kTileSide * kTileSide;
    const int right = std::min(
        width_ - 1, (std::clamp(area.right, 0, width_ - 1) / kTileSide + 1) * kTileSide - 1);
    const int bottom = std::min(
        height_ - 1, (std::clamp(area.bottom, 0, height_ - 1) / kTileSide + 1) * kTileSide - 1);
    return {left, top, right, bottom};
}

std::shared_ptr<const SketchSnapshot::Tile> SketchSnapshot::readTile(const Raster& sketch,
                                                                     int column, int row) const {
    const int x0 = column * kTileSide, y0 = row * kTileSide;
    const int tileWidth = std::min(kTileSide, width_ - x0);
    const int tileHeight = std::min(kTileSide, height_ - y0);
    const std::size_t rowBytes = static_cast<std::size_t>(tileWidth) * 3;
    const std::shared_ptr<const Tile>& held =
        tiles_[static_cast<std::size_t>(row) * columns() + column];
    // Whether the sketch still shows the held tile (or white, for none).
    bool same = true;
    for (int y = 0; y < tileHeight && same; ++y) {
        const std::uint8_t* pixels = sketch.rowUnchecked(y0 + y) + 3 * x0;
        if (held) {
            same = std::memcmp(pixels, held->data() + y * rowBytes, rowBytes) == 0;
        } else {
            same = std::all_of(pixels, pixels + rowBytes, [](std::uint8_t c) { return c == 255; });
        }
    }
    if (same) return held;
    auto tile = std::make_shared<Tile>(rowBytes * tileHeight);
    for (int y = 0; y < tileHeight; ++y) {
        std::memcpy(tile->data() + y * rowBytes, sketch.rowUnchecked(y0 + y) + 3 * x0, rowBytes);
    }
    return tile;
}

SketchSnapshot SketchSnapshot::updated(const Raster& sketch, PixelArea area) const {
    if (sketch.width() != width_ || sketch.height() != height_) {
        return sketch.isEmpty() ? SketchSnapshot() : of(sketch);
    }
    SketchSnapshot next = *this;
    if (isEmpty()) return next;
    const PixelArea tiles = tileArea(area);
    for (int row = tiles.top / kTileSide; row <= tiles.bottom / kTileSide; ++row) {
        for (int column = tiles.left / kTileSide; column <= tiles.right / kTileSide; ++column) {
            next.tiles_[static_cast<std::size_t>(row) * columns() + column] =
                readTile(sketch, column, row);
        }
    }
    return next;
}

void SketchSnapshot::writeTile(Raster& sketch, int column, int row) const {
    const int x0 = column * kTileSide, y0 = row * kTileSide;
    const int tileWidth = std::min(kTileSide, width_ - x0);
    const int tileHeight = std::min(kTileSide, height_ - y0);
    const std::size_t rowBytes = static_cast<std::size_t>(tileWidth) * 3;
    const Tile* tile = tiles_[static_cast<std::size_t>(row) * columns() + column].get();
    for (int y = 0; y < tileHeight; ++y) {
        std::uint8_t* out = sketch.mutableRow(y0 + y) + 3 * x0;
        if (tile) {
            std::memcpy(out, tile->data() + y * rowBytes, rowBytes);
        } else {
            std::memset(out, 255, rowBytes);
        }
    }
}

Raster SketchSnapshot::toRaster() const {
    Raster picture = Raster::uninitialized(width_, height_);
    restoreInto(picture, nullptr);
    return picture;
}

void SketchSnapshot::restoreInto(Raster& sketch, const SketchSnapshot* current) const {
    const bool sameSize = sketch.width() == width_ && sketch.height() == height_;
    if (!sameSize) {
        sketch = isEmpty() ? Raster(width_, height_) : Raster::uninitialized(width_, height_);
        current = nullptr;
    }
    if (current && (current->width_ != width_ || current->height_ != height_)) current = nullptr;
    for (int row = 0; row < rows(); ++row) {
        for (int column = 0; column < columns(); ++column) {
            const std::size_t i = static_cast<std::size_t>(row) * columns() + column;
            if (current && current->tiles_[i] == tiles_[i]) continue;
            writeTile(sketch, column, row);
        }
    }
}

Raster SketchSnapshot::sampled(int width, int height) const {
    Raster picture(width, height);
    if (isEmpty()) return picture;
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * height_ / height);
        const int row = sy / kTileSide;
        std::uint8_t* out = picture.mutableRowUnchecked(y);
        for (int x = 0; x < width; ++x, out += 3) {
            const int sx = static_cast<int>(static_cast<long long>(x) * width_ / width);
            const int column = sx / kTileSide;
            const Tile* tile = tiles_[static_cast<std::size_t>(row) * columns() + column].get();
            if (!tile) continue;  // white, as the picture was made
            const int tileWidth = std::min(kTileSide, width_ - column * kTileSide);
            std::memcpy(
                out,
                tile->data() +
                    (static_cast<std::size_t>(sy % kTileSide) * tileWidth + sx % kTileSide) * 3,
                3);
        }
    }
    return picture;
}

std::size_t SketchSnapshot::bytesNotSharedWith(const SketchSnapshot& other) const {
    const std::unordered_set<const Tile*> shared = [&] {
        std::unordered_set<const Tile*> tiles;
        for (const auto& tile : other.tiles_) tiles.insert(tile.get());
        return tiles;
    }();
    std::unordered_set<const Tile*> counted;
    std::size_t bytes = 0;
    for (const auto& tile : tiles_) {
        if (tile && !shared.count(tile.get()) && counted.insert(tile.get()).second)
            bytes += tile->size();
    }
    return bytes;
}

}  // namespace carbonel
