#pragma once

#include <cstdint>

#include "animation/gif_document.h"
#include "sketch/raster.h"

namespace carbonel {

// The 216 web colours, entry 36r + 6g + b = (51r, 51g, 51b), padded to 256 entries with black.
GifColorTable WebPalette();

// The web colour of a pixel: each channel's level is (value + 3) div 51, which is not rounding to
// the nearest level (30 gives level 0 although 51 is nearer).
constexpr int webColorLookup(int red, int green, int blue) {
    return 36 * ((red + 3) / 51) + 6 * ((green + 3) / 51) + (blue + 3) / 51;
}

// White's web colour.
inline constexpr std::uint8_t kWebWhite = webColorLookup(255, 255, 255);

// Reduces a 24-bit picture to web-palette indices, nearest colour per pixel, no dithering.
IndexedPicture ReduceColors(const Raster& picture);

// Draws one row of a frame (B, G, R) over a row of web-palette indices, `width` of them, index x
// taking the frame pixel at column sourceColumn[x]; pure white pixels are not drawn.
void reduceRowSkippingWhite(const std::uint8_t* frameRow, const int* sourceColumn, int width,
                            std::uint8_t* indices);

}  // namespace carbonel
