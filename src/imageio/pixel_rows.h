#pragma once

#include <cstdint>

namespace carbonel {

// The largest picture a reader holds whole (an interlaced PNG, a lossless WebP, a lossy WebP's
// transparency, an animated WebP, an interlaced GIF frame, a HEIF, a TIFF strip or row of tiles);
// every other reader holds a few rows. A photo turned by its orientation tag is held once, up to
// the largest photo's size, like a JPEG's.
inline constexpr std::uint64_t kMaxHeldPixels = 100'000'000;

// Fails with "the picture is too large to read whole ..." for a picture over kMaxHeldPixels; the
// readers that must hold one ask before they allocate it. `what` says what is held whole.
void checkHeldSize(std::uint64_t width, std::uint64_t height, const char* what);

// A channel on white paper under a transparency of `alpha`: (c * a + white * (255 - a)).
inline std::uint8_t onWhite(unsigned channel, unsigned alpha) {
    return static_cast<std::uint8_t>((channel * alpha + 255 * (255 - alpha) + 127) / 255);
}

// One row of R, G, B, A pixels as B, G, R on white paper.
void rgbaOnWhite(const std::uint8_t* rgba, std::uint8_t* bgr, int width);
// One row of R, G, B pixels as B, G, R.
void rgbToBgr(const std::uint8_t* rgb, std::uint8_t* bgr, int width);

}  // namespace carbonel
