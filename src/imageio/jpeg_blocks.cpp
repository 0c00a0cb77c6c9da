// Compiled without contracting multiplies and adds into one rounding (see CMakeLists.txt): every
// operation must round as libjpeg's own does, or coefficients near a half would come out
// differently.
#include "imageio/jpeg_blocks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "sketch/vector_clones.h"

namespace carbonel {
namespace {

using Floats = float __attribute__((vector_size(32)));
using Ints = int __attribute__((vector_size(32)));

// The scaled 8-point DCT (Arai, Agui and Nakajima) down each of 8 columns at once: d[k] holds
// sample k of every column, and gets coefficient k times the scale that the divisors undo.
inline void scaledDct(Floats* d) {
    const Floats t0 = d[0] + d[7], t7 = d[0] - d[7];
    const Floats t1 = d[1] + d[6], t6 = d[1] - d[6];
    const Floats t2 = d[2] + d[5], t5 = d[2] - d[5];
    const Floats t3 = d[3] + d[4], t4 = d[3] - d[4];
    // Even part.
    Floats t10 = t0 + t3, t13 = t0 - t3, t11 = t1 + t2, t12 = t1 - t2;
    d[0] = t10 + t11;
    d[4] = t10 - t11;
    const Floats z1 = (t12 + t13) * 0.707106781f;
    d[2] = t13 + z1;
    d[6] = t13 - z1;
    // Odd part.
    t10 = t4 + t5;
    t11 = t5 + t6;
    t12 = t6 + t7;
    const Floats z5 = (t10 - t12) * 0.382683433f;
    const Floats z2 = 0.541196100f * t10 + z5;
    const Floats z4 = 1.306562965f * t12 + z5;
    const Floats z3 = t11 * 0.707106781f;
    const Floats z11 = t7 + z3, z13 = t7 - z3;
    d[5] = z13 + z2;
    d[3] = z13 - z2;
    d[1] = z11 + z4;
    d[7] = z11 - z4;
}

inline void transpose(Floats* r) {
    Floats t[8], u[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = __builtin_shufflevector(r[i], r[i + 1], 0, 8, 1, 9, 4, 12, 5, 13);
        t[i + 1] = __builtin_shufflevector(r[i], r[i + 1], 2, 10, 3, 11, 6, 14, 7, 15);
    }
    for (int i = 0; i < 8; i += 4) {
        u[i] = __builtin_shufflevector(t[i], t[i + 2], 0, 1, 8, 9, 4, 5, 12, 13);
        u[i + 1] = __builtin_shufflevector(t[i], t[i + 2], 2, 3, 10, 11, 6, 7, 14, 15);
        u[i + 2] = __builtin_shufflevector(t[i + 1], t[i + 3], 0, 1, 8, 9, 4, 5, 12, 13);
        u[i + 3] = __builtin_shufflevector(t[i + 1], t[i + 3], 2, 3, 10, 11, 6, 7, 14, 15);
    }
    for (int i = 0; i < 4; ++i) {
        r[i] = __builtin_shufflevector(u[i], u[i + 4], 0, 1, 2, 3, 8, 9, 10, 11);
        r[i + 4] = __builtin_shufflevector(u[i], u[i + 4], 4, 5, 6, 7, 12, 13, 14, 15);
    }
}

// Eight samples less 128, as floats.
inline void centredRow(const std::uint8_t* samples, Floats* out) {
    Ints whole;
#if defined(__SSE2__)
    // Widened by interleaving with zeros: compilers turn a lane-by-lane conversion of bytes into
    // one extraction per lane.
    const __m128i zero = _mm_setzero_si128();
    const __m128i shorts =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples)), zero);
    const __m128i halves[2] = {_mm_unpacklo_epi16(shorts, zero), _mm_unpackhi_epi16(shorts, zero)};
    std::memcpy(&whole, halves, sizeof whole);
#else
    for (int x = 0; x < 8; ++x) whole[x] = samples[x];
#endif
    *out = __builtin_convertvector(whole - 128, Floats);
}

// The scaled DCT of a block, d[v][u] coefficient (v, u): rows first (transposed, each row is a
// column), then columns.
inline void forwardDct(const std::uint8_t* samples, std::ptrdiff_t stride, Floats* d) {
    for (int y = 0; y < 8; ++y) centredRow(samples + y * stride, &d[y]);
    transpose(d);
    scaledDct(d);
    transpose(d);
    scaledDct(d);
}

}  // namespace

FloatDivisors floatDivisors(const std::uint16_t quantval[64]) {
    static constexpr double kScale[8] = {1.0, 1.387039845, 1.306562965, 1.175875602,
                                         1.0, 0.785694958, 0.541196100, 0.275899379};
    FloatDivisors divisors{};
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            const int i = row * 8 + column;
            divisors.value[i] = static_cast<float>(
                1.0 / (static_cast<double>(quantval[i]) * kScale[row] * kScale[column] * 8.0));
        }
    }
    return divisors;
}

CARBONEL_VECTOR_CLONES
void quantizeBlock(const std::uint8_t* samples, std::ptrdiff_t stride,
                   const FloatDivisors& divisors, std::int16_t* out) {
    using EightShorts = std::int16_t __attribute__((vector_size(16)));
    Floats d[8];
    forwardDct(samples, stride, d);
    // Adding and taking away 1.5 * 2^23 rounds to the nearest integer, halves to even, as the
    // processor's conversion does; every coefficient is far below 2^22.
    constexpr float kRound = 12582912.0f;
    for (int y = 0; y < 8; ++y) {
        Floats divisorRow;
        std::memcpy(&divisorRow, divisors.value + 8 * y, sizeof divisorRow);
        const Floats rounded = (d[y] * divisorRow + kRound) - kRound;
        const EightShorts whole =
            __builtin_convertvector(__builtin_convertvector(rounded, Ints), EightShorts);
        std::memcpy(out + 8 * y, &whole, sizeof whole);
    }
}

std::vector<std::uint8_t> nearHalfBlocks(const FloatDivisors& divisors, int count) {
    // A coefficient within 2^-9 of a half (above or below 0) is where rounding halves to even and
    // adding 16384.5 before cutting off, as libjpeg's plain C quantiser does, part. About one
    // random block in twenty holds one.
    constexpr double kNear = 1.0 / 512;
    std::vector<std::uint8_t> blocks;
    std::uint32_t random = 2024;
    std::uint8_t block[64];
    while (blocks.size() < std::size_t(count) * 64) {
        for (std::uint8_t& sample : block) {
            random = random * 1664525u + 1013904223u;
            sample = static_cast<std::uint8_t>(random >> 24);
        }
        Floats d[8];
        forwardDct(block, 8, d);
        bool near = false;
        for (int i = 0; i < 64 && !near; ++i) {
            const double product = static_cast<double>(d[i / 8][i % 8] * divisors.value[i]);
            near = std::fabs(std::fabs(product - std::floor(product)) - 0.5) <= kNear;
        }
        if (near) blocks.insert(blocks.end(), block, block + 64);
    }
    return blocks;
}

bool blockIsFlat(const std::uint8_t* samples, std::ptrdiff_t stride) {
    std::uint64_t first;
    std::memcpy(&first, samples, 8);
    if (first != (first & 0xFF) * 0x0101010101010101ULL) return false;
    for (int y = 1; y < 8; ++y) {
        std::uint64_t row;
        std::memcpy(&row, samples + y * stride, 8);
        if (row != first) return false;
    }
    return true;
}

namespace {

// libjpeg's fixed-point colour conversion: 16 fraction bits, the chroma offset by 128, Y rounded
// by a half and the chroma by a half less one so that they never exceed 255.
constexpr int kScaleBits = 16;
constexpr int fixed(double x) {
    return static_cast<int>(x * (1 << kScaleBits) + 0.5);
}
constexpr int kHalf = 1 << (kScaleBits - 1);
constexpr int kChromaOffset = (128 << kScaleBits) + kHalf - 1;

CARBONEL_VECTOR_CLONES
void convertRow(const std::uint8_t* __restrict bgr, int width, std::uint8_t* __restrict y,
                std::uint8_t* __restrict cb, std::uint8_t* __restrict cr) {
    for (int x = 0; x < width; ++x) {
        const int b = bgr[3 * x], g = bgr[3 * x + 1], r = bgr[3 * x + 2];
        y[x] = static_cast<std::uint8_t>(
            (fixed(0.29900) * r + fixed(0.58700) * g + fixed(0.11400) * b + kHalf) >> kScaleBits);
        cb[x] = static_cast<std::uint8_t>(
            (-fixed(0.16874) * r - fixed(0.33126) * g + fixed(0.5) * b + kChromaOffset) >>
            kScaleBits);
        cr[x] = static_cast<std::uint8_t>(
            (fixed(0.5) * r - fixed(0.41869) * g - fixed(0.08131) * b + kChromaOffset) >>
            kScaleBits);
    }
}

// Two full rows to one: the mean of each 2 x 2, rounded alternately down and up along the row.
void halveRows(const std::uint8_t* above, const std::uint8_t* below, int outWidth,
               std::uint8_t* out) {
    for (int x = 0; x < outWidth; ++x) {
        const int bias = 1 + (x & 1);
        out[x] = static_cast<std::uint8_t>(
            (above[2 * x] + above[2 * x + 1] + below[2 * x] + below[2 * x + 1] + bias) >> 2);
    }
}

using Bytes = std::uint8_t __attribute__((vector_size(16)));

Bytes loadBytes(const std::uint8_t* at) {
    Bytes bytes;
    std::memcpy(&bytes, at, sizeof bytes);
    return bytes;
}

// Copies the blue of each pixel into `luma` and tells whether every pixel is grey (B = G = R):
// sixteen pixels at a time, each byte compared with the next where both are in one pixel.
CARBONEL_VECTOR_CLONES
bool splitGreyRow(const std::uint8_t* __restrict bgr, int width, std::uint8_t* __restrict luma) {
    // Byte i against byte i + 1 when i is a pixel's blue or green (i % 3 < 2).
    Bytes within[3];
    for (int i = 0; i < 48; ++i) within[i / 16][i % 16] = i % 3 < 2 ? 0xFF : 0;
    Bytes differs = {};
    int x = 0;
    for (; 3 * x + 49 <= 3 * width; x += 16) {
        const std::uint8_t* at = bgr + 3 * x;
        const Bytes a = loadBytes(at), b = loadBytes(at + 16), c = loadBytes(at + 32);
        differs |= ((a ^ loadBytes(at + 1)) & within[0]) | ((b ^ loadBytes(at + 17)) & within[1]) |
                   ((c ^ loadBytes(at + 33)) & within[2]);
        // The blues of a and b (bytes 0, 3, ..., 30), then those of c (32 + 1, 4, ..., 13).
        const Bytes firstBlues = __builtin_shufflevector(a, b, 0, 3, 6, 9, 12, 15, 18, 21, 24, 27,
                                                         30, -1, -1, -1, -1, -1);
        const Bytes blues = __builtin_shufflevector(firstBlues, c, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10,
                                                    17, 20, 23, 26, 29);
        std::memcpy(luma + x, &blues, sizeof blues);
    }
    unsigned rest = 0;
    for (int i = 0; i < 16; ++i) rest |= differs[i];
    for (; x < width; ++x) {
        const std::uint8_t* pixel = bgr + 3 * x;
        luma[x] = pixel[0];
        rest |=
            static_cast<unsigned>(pixel[0] ^ pixel[1]) | static_cast<unsigned>(pixel[0] ^ pixel[2]);
    }
    return rest == 0;
}

}  // namespace

YccStrip::YccStrip(int width)
    : width_(width),
      paddedWidth_((width + 15) / 16 * 16),
      bgr_(new std::uint8_t[std::size_t(paddedWidth_) * 3 * 16]),
      rowGrey_{},
      luma_(new std::uint8_t[std::size_t(paddedWidth_) * 16]),
      cb_(new std::uint8_t[std::size_t(paddedWidth_) / 2 * 8]),
      cr_(new std::uint8_t[std::size_t(paddedWidth_) / 2 * 8]) {}

void YccStrip::setRow(int index, const std::uint8_t* bgr) {
    std::uint8_t* luma = &luma_[std::size_t(index) * paddedWidth_];
    const bool grey = splitGreyRow(bgr, width_, luma);
    padLumaRow(index, grey);
    // Only a colour row needs its pixels again (a grey one is its luma three times).
    if (!grey) {
        std::uint8_t* row = &bgr_[std::size_t(index) * paddedWidth_ * 3];
        std::memcpy(row, bgr, std::size_t(width_) * 3);
        for (int x = width_; x < paddedWidth_; ++x)
            std::memcpy(row + 3 * x, bgr + 3 * (width_ - 1), 3);
    }
}

void YccStrip::setGreyRow(int index, const std::uint8_t* grey) {
    std::memcpy(&luma_[std::size_t(index) * paddedWidth_], grey, std::size_t(width_));
    padLumaRow(index, true);
}

void YccStrip::padLumaRow(int index, bool grey) {
    std::uint8_t* luma = &luma_[std::size_t(index) * paddedWidth_];
    std::memset(luma + width_, luma[width_ - 1], std::size_t(paddedWidth_ - width_));
    rowGrey_[index] = grey;
}

void YccStrip::makePlanes(int rows) {
    const std::size_t rowBytes = std::size_t(paddedWidth_) * 3;
    const std::size_t width = std::size_t(paddedWidth_);
    grey_ = std::all_of(rowGrey_, rowGrey_ + rows, [](bool grey) { return grey; });
    if (!grey_) {
        // A grey row in a colour strip is its luma three times. An odd last row is paired with
        // itself.
        for (int y = 0; y < rows; ++y) {
            if (!rowGrey_[y]) continue;
            const std::uint8_t* luma = &luma_[std::size_t(y) * width];
            std::uint8_t* row = &bgr_[y * rowBytes];
            for (std::size_t x = 0; x < width; ++x) std::memset(row + 3 * x, luma[x], 3);
        }
        if (rows % 2 == 1 && rows < 16)
            std::memcpy(&bgr_[rows * rowBytes], &bgr_[(rows - 1) * rowBytes], rowBytes);
        makeColourPlanes((rows + 1) / 2);
    }
    // Below the picture libjpeg repeats the last row of each plane: for the chroma that is the
    // last halved row, not a halving of the last full row with itself.
    for (int y = rows; y < 16; ++y)
        std::memcpy(&luma_[y * width], &luma_[(rows - 1) * width], width);
}

void YccStrip::makeColourPlanes(int pairs) {
    const std::size_t rowBytes = std::size_t(paddedWidth_) * 3;
    const std::size_t width = std::size_t(paddedWidth_);
    const std::size_t half = width / 2;
    // Full-size chroma for a pair of rows at a time, then halved.
    std::vector<std::uint8_t> fullCb(width * 2), fullCr(width * 2);
    for (int pair = 0; pair < pairs; ++pair) {
        for (int i = 0; i < 2; ++i) {
            const int y = 2 * pair + i;
            convertRow(&bgr_[y * rowBytes], paddedWidth_, &luma_[y * width], &fullCb[i * width],
                       &fullCr[i * width]);
        }
        halveRows(fullCb.data(), fullCb.data() + width, int(half), &cb_[pair * half]);
        halveRows(fullCr.data(), fullCr.data() + width, int(half), &cr_[pair * half]);
    }
    for (int pair = pairs; pair < 8; ++pair) {
        std::memcpy(&cb_[pair * half], &cb_[(pairs - 1) * half], half);
        std::memcpy(&cr_[pair * half], &cr_[(pairs - 1) * half], half);
    }
}

}  // namespace carbonel
