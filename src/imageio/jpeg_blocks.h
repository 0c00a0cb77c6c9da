#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace carbonel {

// One 8 x 8 block of quantised DCT coefficients, in natural (row by row) order.
using CoefficientBlock = std::int16_t[64];

// What the forward DCT's outputs are multiplied by before rounding: one over the quantisation
// step times the scaled DCT's own factor, as the floating-point DCT of libjpeg computes them.
struct FloatDivisors {
    float value[64];
};
FloatDivisors floatDivisors(const std::uint16_t quantval[64]);

// The forward floating-point DCT (the scaled 8-point transform, rows first, then columns) of
// one block of samples and its quantisation, rounding halves to even: the coefficients
// libjpeg-turbo's own floating-point path computes with its x86-64 vector code.
void quantizeBlock(const std::uint8_t* samples, std::ptrdiff_t stride,
                   const FloatDivisors& divisors, std::int16_t* out);

// `count` blocks of samples (64 bytes each, row by row) each holding a coefficient within a hair
// of a half once quantised: where libjpeg's builds round differently, for checking which rounding
// the library here has.
std::vector<std::uint8_t> nearHalfBlocks(const FloatDivisors& divisors, int count);

// Whether the 8 x 8 samples are all one value.
bool blockIsFlat(const std::uint8_t* samples, std::ptrdiff_t stride);

// Up to 16 rows of B, G, R pixels turned into the planes a 4:2:0 JPEG codes: Y at full size,
// Cb and Cr halved both ways. The planes are padded to whole blocks by repeating the last column
// and row, as libjpeg pads them, and the arithmetic (fixed-point colour conversion, the
// alternating rounding of the halving) is libjpeg's too, so the planes are the ones it would make.
class YccStrip {
  public:
    explicit YccStrip(int width);

    // Row `index` (0..15) of the strip, `width` B, G, R pixels.
    void setRow(int index, const std::uint8_t* bgr);
    // The same for a grey row, one byte a pixel.
    void setGreyRow(int index, const std::uint8_t* grey);
    // Makes the planes of the first `rows` rows, padded below as libjpeg pads them. A strip whose
    // rows are all grey (B = G = R) has Y equal to that grey and no colour.
    void makePlanes(int rows);

    bool grey() const { return grey_; }
    int paddedWidth() const { return paddedWidth_; }
    const std::uint8_t* luma() const { return luma_.get(); }          // 16 rows of paddedWidth
    const std::uint8_t* blueDifference() const { return cb_.get(); }  // 8 rows of paddedWidth / 2
    const std::uint8_t* redDifference() const { return cr_.get(); }

  private:
    // Repeats the last pixel of luma row `index` to the padded width, and notes whether the row
    // is grey.
    void padLumaRow(int index, bool grey);
    void makeColourPlanes(int pairs);

    int width_, paddedWidth_;
    bool grey_ = true;
    // Uninitialised until written: a sketch's strips are grey, and never touch bgr_ or the
    // chroma planes.
    std::unique_ptr<std::uint8_t[]> bgr_;  // 16 rows of paddedWidth pixels, colour rows only
    bool rowGrey_[16];
    std::unique_ptr<std::uint8_t[]> luma_, cb_, cr_;
};

}  // namespace carbonel
