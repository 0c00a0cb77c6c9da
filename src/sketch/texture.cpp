#include "sketch/texture.h"

#include <algorithm>
#include <cstring>

namespace carbonel {

void layTexture(Raster& sketch, const Raster& texture, TextureFit fit) {
    if (texture.isEmpty() || sketch.isEmpty()) return;
    sketch.detach();
    layTextureRows(sketch, texture, fit, 0, sketch.height());
}

void layTextureRows(Raster& sketch, const Raster& texture, TextureFit fit, int firstRow,
                    int endRow) {
    if (texture.isEmpty() || sketch.isEmpty()) return;
    const PaperRows paper(&texture, fit, sketch.width(), sketch.height());
    for (int y = firstRow; y < endRow; ++y) paper.fill(y, sketch.mutableRowUnchecked(y));
}

PaperRows::PaperRows(const Raster* texture, TextureFit fit, int width, int height)
    : texture_(texture && !texture->isEmpty() ? texture : nullptr),
      fit_(fit),
      width_(width),
      height_(height) {
    if (fit_ != TextureFit::Stretch || !texture_) return;
    // Nearest neighbour, sampling each source pixel at the centre of the target pixel.
    sourceColumn_.resize(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        sourceColumn_[static_cast<std::size_t>(x)] =
            static_cast<int>((2LL * x + 1) * texture_->width() / (2LL * width));
    }
}

void PaperRows::fill(int y, std::uint8_t* out) const {
    if (!texture_) {
        std::memset(out, 255, static_cast<std::size_t>(width_) * 3);
        return;
    }
    const int tw = texture_->width();
    if (fit_ == TextureFit::Tile) {
        // Opaque tiles from the top-left corner: pixel (x, y) shows texture pixel (x mod tw, y mod
        // th).
        const std::uint8_t* in = texture_->rowUnchecked(y % texture_->height());
        for (int x = 0; x < width_; x += tw) {
            const int run = std::min(tw, width_ - x);
            std::memcpy(out + x * 3, in, static_cast<std::size_t>(run) * 3);
        }
        return;
    }
    const int sy = static_cast<int>((2LL * y + 1) * texture_->height() / (2LL * height_));
    const std::uint8_t* in = texture_->rowUnchecked(sy);
    for (int x = 0; x < width_; ++x)
        std::memcpy(out + x * 3, in + sourceColumn_[static_cast<std::size_t>(x)] * 3, 3);
}

void applyTexture(Raster& sketch, int photoWidth, int photoHeight, const Raster& texture,
                  TextureFit fit) {
    sketch.setSize(photoWidth + 1, photoHeight + 1);
    layTexture(sketch, texture, fit);
}

}  // namespace carbonel
