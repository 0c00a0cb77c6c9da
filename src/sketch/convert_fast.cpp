// The fast whole-photo pass of Convert. Each photo row is split once into planes of blue, green,
// red and channel sum (16-bit), so that the nine-sample decision becomes straight loops over
// contiguous arrays that the compiler vectorises; rows are shared out between threads. It gives
// exactly the bytes of sketchPixel, which a test checks for every style and line step.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "sketch/convert.h"
#include "sketch/error.h"
#include "sketch/row_sketcher.h"
#include "sketch/sketch_pixel.h"
#include "sketch/vector_clones.h"

namespace carbonel {
namespace {

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
    void load(const std::uint8_t* pixels, int width) { loadColumns(pixels, 0, width - 1); }
    // Splits only the columns first..last, leaving the others as they were.
    void loadColumns(const std::uint8_t* pixels, int first, int last) {
        splitRow(pixels + 3 * first, last - first + 1, blue.data() + first, green.data() + first,
                 red.data() + first, sum.data() + first);
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
    using i16 = std::int16_t;
    const SamplePlanes s = samples;
    // Compared as 16 bits too, or the comparison would widen every lane to 32; a threshold above
    // any contrast is clamped to 765, which no contrast exceeds either.
    const auto limit = static_cast<i16>(std::clamp(threshold, -1, 765));
#pragma GCC ivdep
    for (int x = 0; x < count; ++x) {
        // Every value fits 16 bits (a contrast is at most 765, a sum at most 6120), which lets a
        // vector hold twice as many pixels as with 32-bit arithmetic.
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
            edges = static_cast<i16>(edges + (contrast > limit ? brighter : 0));  // counts down
        }
        contrastSum[x] = static_cast<std::int16_t>(sum);
        edgeCount[x] = static_cast<std::int16_t>(-edges);
    }
}

// What each decided pixel does to its sketch bytes: for Pencil the amount to darken by (capped
// at 255, which darkens any byte to 0 just as a larger amount does), for Pen and Pastel 255 where
// the pixel is drawn and 0 elsewhere. All in 16 bits, so that no lane widens: the limits are
// clamped to the values' own range (a sum is at most 6120, a count at most 8), which changes no
// comparison.
CARBONEL_VECTOR_CLONES
void pixelOutcomes(const std::int16_t* __restrict contrastSum,
                   const std::int16_t* __restrict edgeCount, bool pencil, int threshold, int lower,
                   int upper, int count, std::uint8_t* __restrict value) {
    using i16 = std::int16_t;
    if (pencil) {
        const auto limit = static_cast<i16>(std::clamp(threshold, -1, 6120));
        for (int x = 0; x < count; ++x) {
            const i16 sum = contrastSum[x];
            const i16 darken = static_cast<i16>(sum > limit ? sum / 3 : 0);
            value[x] = static_cast<std::uint8_t>(darken < 255 ? darken : 255);
        }
    } else {
        const auto low = static_cast<i16>(std::clamp(lower, -1, 9));
        const auto high = static_cast<i16>(std::clamp(upper, -1, 9));
        for (int x = 0; x < count; ++x) {
            const i16 edges = edgeCount[x];
            value[x] = edges >= low && edges <= high ? 255 : 0;
        }
    }
}

// Each pixel's value for its three bytes.
CARBONEL_VECTOR_CLONES
void tripleBytes(const std::uint8_t* __restrict value, int count, std::uint8_t* __restrict out) {
    using Bytes = std::uint8_t __attribute__((vector_size(16)));
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        Bytes v;
        std::memcpy(&v, value + x, sizeof v);
        const Bytes parts[3] = {
            __builtin_shufflevector(v, v, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5),
            __builtin_shufflevector(v, v, 5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10),
            __builtin_shufflevector(v, v, 10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15,
                                    15, 15)};
        std::memcpy(out + 3 * x, parts, sizeof parts);
    }
    for (; x < count; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = value[x];
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
    std::vector<std::uint8_t> value, outcome;
    explicit RowScratch(int width)
        : contrastSum(static_cast<std::size_t>(width)),
          edgeCount(static_cast<std::size_t>(width)),
          value(static_cast<std::size_t>(width)),
          outcome(static_cast<std::size_t>(width) * 3) {}
};

// Decides the pixels first..last of one row, whose lattice rows are above, centre and below. The
// row is worked in chunks small enough for the scratch arrays to stay in the first-level cache.
// `sketchRow` is B, G, R, or one grey byte a pixel when `grey` (Pencil and Pen on white paper).
void sketchRow(const PlanarRow& above, const PlanarRow& centre, const PlanarRow& below, int step,
               int threshold, CountWindow window, PenStyle style, int first, int last,
               const std::uint8_t* photoRow, std::uint8_t* sketchRow, RowScratch& scratch,
               bool grey = false) {
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
        pixelOutcomes(contrastSum, edgeCount, style == PenStyle::Pencil, threshold, window.lower,
                      window.upper, count, scratch.value.data());
        if (grey) {
            // One byte a pixel: Pencil's and Pen's outcomes apply to it as to each of B, G, R.
            applyOutcome(style, scratch.value.data(), photoRow + 3 * start, sketchRow + start,
                         count);
            continue;
        }
        tripleBytes(scratch.value.data(), count, scratch.outcome.data());
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

namespace {

// The largest d with d * d <= value (value >= 0).
long long integerSquareRoot(long long value) {
    auto root = static_cast<long long>(std::sqrt(static_cast<double>(value)));
    while (root * root > value) --root;
    while ((root + 1) * (root + 1) <= value) ++root;
    return root;
}

}  // namespace

bool sketchDiscFast(const Raster& photo, Raster& sketch, const SketchSettings& settings,
                    PenStyle style, int left, int top, int right, int bottom) {
    const int step = settings.lineStep;
    const int width = photo.width();
    const int height = photo.height();
    const long long cx = (static_cast<long long>(left) + right) / 2;
    const long long cy = (static_cast<long long>(top) + bottom) / 2;
    const long long span = static_cast<long long>(right) - left;
    const long long radiusSquared = span * span / 4;
    // The pixels the pass visits: from the line step in, short of right - 1 and bottom - 1, inside
    // the one-pixel frame of the photo.
    const long long firstX = std::max<long long>(static_cast<long long>(left) + step, 1);
    const long long lastX = std::min<long long>(static_cast<long long>(right) - 2, width - 2);
    const long long firstY = std::max<long long>(static_cast<long long>(top) + step, 1);
    const long long lastY = std::min<long long>(static_cast<long long>(bottom) - 2, height - 2);
    if (firstX > lastX || firstY > lastY) return true;
    const int windowFirst = static_cast<int>(std::max<long long>(0, firstX - step));
    const int windowLast = static_cast<int>(std::min<long long>(width - 1, lastX + step));

    const int ringSize = 2 * step + 1;
    std::vector<PlanarRow> ring(static_cast<std::size_t>(ringSize));
    std::vector<int> ringHolds(static_cast<std::size_t>(ringSize), -1);
    for (PlanarRow& row : ring) row.resize(width);
    auto rowAt = [&](int y) -> PlanarRow& {
        const auto slot = static_cast<std::size_t>(y % ringSize);
        if (ringHolds[slot] != y) {
            ring[slot].loadColumns(photo.rowUnchecked(y), windowFirst, windowLast);
            ringHolds[slot] = y;
        }
        return ring[slot];
    };
    RowScratch scratch(width);
    const CountWindow window = countWindowFor(step);
    sketch.detach();
    for (long long y = firstY; y <= lastY; ++y) {
        const long long dy = y - cy;
        const long long room = radiusSquared - dy * dy - 1;  // (x - cx)^2 must not exceed it
        if (room < 0) continue;
        const long long reach = integerSquareRoot(room);
        const int x0 = static_cast<int>(std::max(firstX, cx - reach));
        const int x1 = static_cast<int>(std::min(lastX, cx + reach));
        if (x0 > x1) continue;
        const int row = static_cast<int>(y);
        // A lattice row outside the photo ends the pass here, as the per-pixel pass fails.
        if (row - step < 0 || row + step >= height) return false;
        const int inner0 = std::max(x0, step);
        const int inner1 = std::min(x1, width - 1 - step);
        if (inner0 <= inner1) {
            sketchRow(rowAt(row - step), rowAt(row), rowAt(row + step), step,
                      settings.edgeThreshold, window, style, inner0, inner1,
                      photo.rowUnchecked(row), sketch.mutableRowUnchecked(row), scratch);
        }
        // Near the left and right edges some lattice columns lie outside the photo.
        for (int x = x0; x <= x1; ++x) {
            if (x >= inner0 && x <= inner1) {
                x = inner1;
                continue;
            }
            sketchPixel(x, row, photo, sketch, settings, style);
        }
    }
    return true;
}

}  // namespace carbonel

namespace carbonel {

struct RowSketcher::State {
    int width, height, step, first, lastX, lastY;
    SketchSettings settings;
    PenStyle style;
    RowSink sink;
    bool grey;  // rows handed on as one grey byte a pixel
    PaperRows paper;
    int received = 0;                             // photo rows so far
    int handedOn = 0;                             // sketch rows so far
    std::vector<PlanarRow> planes;                // the last 2L + 1 photo rows, split
    std::vector<std::vector<std::uint8_t>> rows;  // the same rows as they came
    std::vector<std::uint8_t> out;                // the sketch row being made
    RowScratch scratch;
    CountWindow window;

    State(int photoWidth, int photoHeight, const ConversionOptions& options, RowSink rowSink,
          bool greyRows)
        : width(photoWidth),
          height(photoHeight),
          step(options.line),
          first(2 * options.line),
          lastX(photoWidth - options.line - 2),
          lastY(photoHeight - options.line - 2),
          settings(conversionSettings(options)),
          style(options.style),
          sink(std::move(rowSink)),
          grey(greyRows),
          paper(options.texture, options.textureFit, photoWidth + 1, photoHeight + 1),
          planes(static_cast<std::size_t>(2 * options.line + 1)),
          rows(planes.size(), std::vector<std::uint8_t>(static_cast<std::size_t>(photoWidth) * 3)),
          out(static_cast<std::size_t>(photoWidth + 1) * 3),
          scratch(photoWidth),
          window(countWindowFor(options.line)) {
        for (PlanarRow& row : planes) row.resize(photoWidth);
    }
    std::size_t slot(int y) const { return static_cast<std::size_t>(y) % planes.size(); }

    // Sketch row y: the paper, then the decided pixels when the row has them.
    void handOn(int y) {
        if (grey) {
            std::memset(out.data(), 255, std::size_t(width) + 1);  // white paper
        } else {
            paper.fill(y, out.data());
        }
        if (y >= first && y <= lastY && first <= lastX) {
            sketchRow(planes[slot(y - step)], planes[slot(y)], planes[slot(y + step)], step,
                      settings.edgeThreshold, window, style, first, lastX, rows[slot(y)].data(),
                      out.data(), scratch, grey);
        }
        sink(y, out.data());
        ++handedOn;
    }
};

RowSketcher::RowSketcher(int photoWidth, int photoHeight, const ConversionOptions& options,
                         RowSink sink, RowShape shape) {
    checkPhotoSize(photoWidth, photoHeight);
    if (!usesFastPath(options)) throw Error("This conversion cannot be made row by row");
    if (shape == RowShape::Grey && !drawsGrey(options))
        throw std::logic_error("this sketch has colours: its rows are B, G, R");
    state_ = std::make_unique<State>(photoWidth, photoHeight, options, std::move(sink),
                                     shape == RowShape::Grey);
}

bool RowSketcher::drawsGrey(const ConversionOptions& options) {
    return !options.texture &&
           (options.style == PenStyle::Pencil || options.style == PenStyle::Pen);
}

RowSketcher::~RowSketcher() = default;

void RowSketcher::addPhotoRow(const std::uint8_t* row) {
    State& s = *state_;
    const int y = s.received++;
    // Only Pastel draws with the photo's own colours; the others need the row only as planes.
    if (s.style == PenStyle::Pastel)
        std::memcpy(s.rows[s.slot(y)].data(), row, static_cast<std::size_t>(s.width) * 3);
    s.planes[s.slot(y)].load(row, s.width);
    // Sketch row y - L now has every lattice row it reaches.
    if (y - s.step >= 0) s.handOn(y - s.step);
}

void RowSketcher::finish() {
    // The rows left lie outside the decided band: paper only.
    while (state_->handedOn <= state_->height) state_->handOn(state_->handedOn);
}

}  // namespace carbonel
