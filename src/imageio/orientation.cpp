#include "imageio/orientation.h"

#include <cstring>

namespace carbonel {

int exifOrientation(const std::uint8_t* tiff, std::size_t size) {
    if (size < 8) return 1;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
    auto read16 = [&](std::size_t at) -> unsigned {
        return little ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
    };
    auto read32 = [&](std::size_t at) -> std::uint32_t {
        return little ? read16(at) | std::uint32_t{read16(at + 2)} << 16
                      : std::uint32_t{read16(at)} << 16 | read16(at + 2);
    };
    if (read16(2) != 42) return 1;
    const std::uint32_t ifd = read32(4);
    if (ifd > size - 2) return 1;
    const unsigned entries = read16(ifd);
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t{12} * i;
        if (entry + 12 > size) return 1;
        if (read16(entry) != 0x0112) continue;
        // A SHORT held in the entry itself.
        if (read16(entry + 2) != 3 || read32(entry + 4) != 1) return 1;
        const unsigned value = read16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

UprightCanvas::UprightCanvas(int storedWidth, int storedHeight, int orientation)
    : width_(storedWidth),
      height_(storedHeight),
      orientation_(orientation >= 2 && orientation <= 8 ? orientation : 1),
      upright_(Raster::uninitialized(orientation_ >= 5 ? storedHeight : storedWidth,
                                     orientation_ >= 5 ? storedWidth : storedHeight)) {}

void UprightCanvas::putStoredRow(int y, const std::uint8_t* row) {
    const int w = width_, h = height_;
    switch (orientation_) {
        case 1:
            std::memcpy(upright_.mutableRowUnchecked(y), row, std::size_t(w) * 3);
            return;
        case 2:
        case 3: {  // mirrored, and for 3 also upside down
            std::uint8_t* out = upright_.mutableRowUnchecked(orientation_ == 2 ? y : h - 1 - y);
            for (int x = 0; x < w; ++x) std::memcpy(out + 3 * (w - 1 - x), row + 3 * x, 3);
            return;
        }
        case 4:
            std::memcpy(upright_.mutableRowUnchecked(h - 1 - y), row, std::size_t(w) * 3);
            return;
        default: {  // 5 to 8: the stored row becomes a column
            const int column = orientation_ == 5 || orientation_ == 8 ? y : h - 1 - y;
            const bool reversed = orientation_ == 7 || orientation_ == 8;
            for (int x = 0; x < w; ++x) {
                std::memcpy(upright_.mutableRowUnchecked(reversed ? w - 1 - x : x) + 3 * column,
                            row + 3 * x, 3);
            }
        }
    }
}

void UprightRows::setStored(int width, int height, int orientation) {
    storedWidth_ = width;
    storedHeight_ = height;
    orientation_ = orientation >= 2 && orientation <= 8 ? orientation : 1;
}

void UprightRows::readRows(const RowSink& sink) {
    if (orientation_ == 1) {
        readStoredRows(sink);
        return;
    }
    UprightCanvas canvas(storedWidth_, storedHeight_, orientation_);
    readStoredRows([&](int y, const std::uint8_t* row) { canvas.putStoredRow(y, row); });
    for (int y = 0; y < height(); ++y) sink(y, canvas.picture().rowUnchecked(y));
}

void UprightRows::readRowsInto(const RowPlace& place, const RowSink& sink) {
    if (orientation_ == 1) {
        readStoredRowsInto(place, sink);
    } else {
        readRows(sink);
    }
}

Raster orientUpright(const Raster& stored, int orientation) {
    if (orientation < 2 || orientation > 8) return stored;
    UprightCanvas canvas(stored.width(), stored.height(), orientation);
    for (int y = 0; y < stored.height(); ++y) canvas.putStoredRow(y, stored.rowUnchecked(y));
    return std::move(canvas.picture());
}

}  // namespace carbonel
