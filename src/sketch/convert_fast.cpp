// The fast whole-photo pass of Convert. Each photo row is split once into planes of blue, green,
// red and channel sum (16-bit), so that the nine-sample decision becomes straight loops over
// contiguous arrays that the compiler vectorises; rows are shared out between threads. It gives
// exactly the bytes of sketchPixel, which a test checks for every style and line step.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "sketch/convert.h"

namespace carbonel {
namespace {

// The hot loops are built twice, for AVX2 and for any x86-64, and the processor picks at start.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
#define CARBONEL_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define CARBONEL_VECTOR_CLONES
#endif

// Splits one row of B, G, R bytes into 16-bit planes of each channel and of the channel sum.
CARBONEL_VECTOR_CLONES
void splitRow(const std::uint8_t* __restrict pixels, int width, std::int16_t* __restrict blue,
              std::int16_t* __restrict green, std::int16_t* __restrict red,
              std::int16_t* __restrict sum) {
    for (int x = 0; x < width; ++x) {
        const std::int16_t b = pixels[3 * x], g = pixels[3 * x + 1], r = pixels[3 * x + 2];
        blue[x] = b;
        green[x] = g;
        red[x] = r;
        sum[x] = static_cast<std::int16_t>(b + g + r);
    }
}

// One photo row as planes.
struct PlanarRow {
    std::vector<std::int16_t> blue, green, red, sum;
    void resize(int width) {
        const auto n = static_cast<std::size_t>(width);
        blue.resize(n);
        green.resize(n);
        red.resize(n);
        sum.resize(n);
    }
    void load(const std::uint8_t* pixels, int width) {
        splitRow(pixels, width, blue.data(), green.data(), red.data(), sum.data());
    }
};

// The eight lattice samples around the centre of a run of pixels: plane pointers already offset
// to the run's first pixel.
struct SamplePlanes {
    const std::int16_t* blue[8];
    const std::int16_t* green[8];
    const std::int16_t* red[8];
    const std::int16_t* sum[8];
};

// For a run of pixels, the contrast sum over the samples at least as bright as the centre and the
// count of those whose contrast exceeds T.
CARBONEL_VECTOR_CLONES
void measureContrasts(const std::int16_t* __restrict cb, const std::int16_t* __restrict cg,
                      const std::int16_t* __restrict cr, const std::int16_t* __restrict cs,
                      const SamplePlanes& samples, int threshold, int count,
                      std::int16_t* __restrict contrastSum, std::int16_t* __restrict edgeCount) {
    const SamplePlanes s = samples;
#pragma GCC ivdep
    for (int x = 0; x < count; ++x) {
        // Every value fits 16 bits (a contrast is at most 765, a sum at most 6120), which lets a
        // vector hold twice as many pixels as with 32-bit arithmetic.
        using i16 = std::int16_t;
        i16 sum = 0;
        i16 edges = 0;
        for (int k = 0; k < 8; ++k) {
            const i16 db = static_cast<i16>(cb[x] - s.blue[k][x]);
            const i16 dg = static_cast<i16>(cg[x] - s.green[k][x]);
            const i16 dr = static_cast<i16>(cr[x] - s.red[k][x]);
            const i16 contrast =
                static_cast<i16>((db < 0 ? -db : db) + (dg < 0 ? -dg : dg) + (dr < 0 ? -dr : dr));
            const i16 brighter = static_cast<i16>(s.sum[k][x] >= cs[x] ? -1 : 0);
            sum = static_cast<i16>(sum + (contrast & brighter));
            edges = static_cast<i16>(edges + (contrast > threshold ? brighter : 0));  // counts down
        }
        contrastSum[x] = static_cast<std::int16_t>(sum);
        edgeCount[x] = static_cast<std::int16_t>(-edges);
    }
}

// What each decided pixel does to its three sketch bytes, one value per byte: for Pencil the
// amount to darken by (capped at 255, which darkens any byte to 0 just as a larger amount does),
// for Pen and Pastel 255 where the pixel is drawn and 0 elsewhere.
CARBONEL_VECTOR_CLONES
void outcomeBytes(const std::int16_t* __restrict contrastSum,
                  const std::int16_t* __restrict edgeCount, bool pencil, int threshold, int lower,
                  int upper, int count, std::uint8_t* __restrict outcome) {
    for (int x = 0; x < count; ++x) {
        const int sum = contrastSum[x];
        const int edges = edgeCount[x];
        const int darken = sum > threshold ? sum / 3 : 0;
        const int drawn = edges >= lower && edges <= upper ? 255 : 0;
        const auto value =
            static_cast<std::uint8_t>(pencil ? (darken < 255 ? darken : 255) : drawn);
        outcome[3 * x] = outcome[3 * x + 1] = outcome[3 * x + 2] = value;
    }
}

CARBONEL_VECTOR_CLONES
void applyOutcome(PenStyle style, const std::uint8_t* __restrict outcome,
                  const std::uint8_t* __restrict photo, std::uint8_t* __restrict sketch,
                  int bytes) {
    switch (style) {
        case PenStyle::Pencil:
            for (int i = 0; i < bytes; ++i) {
                sketch[i] =
                    static_cast<std::uint8_t>(sketch[i] > outcome[i] ? sketch[i] - outcome[i] : 0);
            }
            break;
        case PenStyle::Pen:
            for (int i = 0; i < bytes; ++i)
                sketch[i] = static_cast<std::uint8_t>(sketch[i] & ~outcome[i]);
            break;
        default:  // Pastel
            for (int i = 0; i < bytes; ++i) {
                sketch[i] =
                    static_cast<std::uint8_t>((photo[i] & outcome[i]) | (sketch[i] & ~outcome[i]));
            }
            break;
    }
}

// Scratch rows of one thread.
struct RowScratch {
    std::vector<std::int16_t> contrastSum, edgeCount;
    std::vector<std::uint8_t> outcome;
    explicit RowScratch(int width)
        : contrastSum(static_cast<std::size_t>(width)),
          edgeCount(static_cast<std::size_t>(width)),
          outcome(static_cast<std::size_t>(width) * 3) {}
};

// Decides the pixels first..last of one row, whose lattice rows are above, centre and below. The
// row is worked in chunks small enough for the scratch arrays to stay in the first-level cache.
void sketchRow(const PlanarRow& above, const PlanarRow& centre, const PlanarRow& below, int step,
               int threshold, CountWindow window, PenStyle style, int first, int last,
               const std::uint8_t* photoRow, std::uint8_t* sketchRow, RowScratch& scratch) {
    constexpr int kChunk = 512;
    std::int16_t* contrastSum = scratch.contrastSum.data();
    std::int16_t* edgeCount = scratch.edgeCount.data();
    const PlanarRow* rows[3] = {&above, &centre, &below};
    for (int start = first; start <= last; start += kChunk) {
        const int count = std::min(kChunk, last - start + 1);
        SamplePlanes samples{};
        int k = 0;
        for (int j = 0; j < 3; ++j) {
            for (int i = -1; i <= 1; ++i) {
                if (j == 1 && i == 0) continue;  // the centre: contrast 0 never exceeds T >= 0
                const int at = start + i * step;
                samples.blue[k] = rows[j]->blue.data() + at;
                samples.green[k] = rows[j]->green.data() + at;
                samples.red[k] = rows[j]->red.data() + at;
                samples.sum[k] = rows[j]->sum.data() + at;
                ++k;
            }
        }
        measureContrasts(centre.blue.data() + start, centre.green.data() + start,
                         centre.red.data() + start, centre.sum.data() + start, samples, threshold,
                         count, contrastSum, edgeCount);
        outcomeBytes(contrastSum, edgeCount, style == PenStyle::Pencil, threshold, window.lower,
                     window.upper, count, scratch.outcome.data());
        applyOutcome(style, scratch.outcome.data(), photoRow + 3 * start, sketchRow + 3 * start,
                     3 * count);
    }
}

}  // namespace

void sketchRowsFast(const Raster& photo, Raster& sketch, const SketchSettings& settings,
                    PenStyle style, int beginRow, int endRow) {
    const int step = settings.lineStep;
    const int width = photo.width();
    const int first = 2 * step, lastX = width - step - 2, lastY = photo.height() - step - 2;
    const int begin = std::max(beginRow, first);
    const int end = std::min(endRow, lastY + 1);
    if (first > lastX || begin >= end) return;  // no decided pixel in these rows
    // A ring of the 2L + 1 planar rows that the current row's lattice spans, so every photo row is
    // split only once.
    const int ringSize = 2 * step + 1;
    std::vector<PlanarRow> ring(static_cast<std::size_t>(ringSize));
    for (PlanarRow& row : ring) row.resize(width);
    auto slot = [&](int y) -> PlanarRow& { return ring[static_cast<std::size_t>(y % ringSize)]; };
    for (int y = begin - step; y < begin + step; ++y) slot(y).load(photo.rowUnchecked(y), width);
    RowScratch scratch(width);
    const CountWindow window = countWindowFor(step);
    for (int y = begin; y < end; ++y) {
        slot(y + step).load(photo.rowUnchecked(y + step), width);
        sketchRow(slot(y - step), slot(y), slot(y + step), step, settings.edgeThreshold, window,
                  style, first, lastX, photo.rowUnchecked(y), sketch.mutableRowUnchecked(y),
                  scratch);
    }
}

}  // namespace carbonel
