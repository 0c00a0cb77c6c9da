#include "imageio/pixel_rows.h"

#include <string>

#include "sketch/error.h"

namespace carbonel {

void checkHeldSize(std::uint64_t width, std::uint64_t height, const char* what) {
    if (width * height > kMaxHeldPixels) {
        throw Error("The picture is too large to read: " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels, and " + what + " is read whole, up to " +
                    std::to_string(kMaxHeldPixels / 1'000'000) + " megapixels");
    }
}

void rgbaOnWhite(const std::uint8_t* rgba, std::uint8_t* bgr, int width) {
    for (int x = 0; x < width; ++x, rgba += 4, bgr += 3) {
        const unsigned alpha = rgba[3];
        if (alpha == 255) {
            bgr[0] = rgba[2];
            bgr[1] = rgba[1];
            bgr[2] = rgba[0];
        } else {
            bgr[0] = onWhite(rgba[2], alpha);
            bgr[1] = onWhite(rgba[1], alpha);
            bgr[2] = onWhite(rgba[0], alpha);
        }
    }
}

void rgbToBgr(const std::uint8_t* rgb, std::uint8_t* bgr, int width) {
    for (int x = 0; x < width; ++x, rgb += 3, bgr += 3) {
        bgr[0] = rgb[2];
        bgr[1] = rgb[1];
        bgr[2] = rgb[0];
    }
}

}  // namespace carbonel
