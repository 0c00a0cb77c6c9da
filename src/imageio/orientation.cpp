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

Raster orientUpright(const Raster& stored, int orientation) {
    if (orientation < 2 || orientation > 8) return stored;
    const int w = stored.width(), h = stored.height();
    const bool swaps = orientation >= 5;
    Raster upright = Raster::uninitialized(swaps ? h : w, swaps ? w : h);
    for (int y = 0; y < upright.height(); ++y) {
        std::uint8_t* out = upright.mutableRowUnchecked(y);
        for (int x = 0; x < upright.width(); ++x, out += 3) {
            // The stored pixel shown at (x, y).
            int sx = x, sy = y;
            switch (orientation) {
                case 2:
                    sx = w - 1 - x;
                    break;
                case 3:
                    sx = w - 1 - x;
                    sy = h - 1 - y;
                    break;
                case 4:
                    sy = h - 1 - y;
                    break;
                case 5:
                    sx = y;
                    sy = x;
                    break;
                case 6:
                    sx = y;
                    sy = h - 1 - x;
                    break;
                case 7:
                    sx = w - 1 - y;
                    sy = h - 1 - x;
                    break;
                case 8:
                    sx = w - 1 - y;
                    sy = x;
                    break;
            }
            std::memcpy(out, stored.rowUnchecked(sy) + 3 * sx, 3);
        }
    }
    return upright;
}

}  // namespace carbonel
