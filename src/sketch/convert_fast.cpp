// The fast whole-photo pass of Convert. Each photo row is split once into planes of blue, green,
// red and channel sum (16-bit), so that the nine-sample decision becomes straight loops over
// contiguous arrays that the compiler vectorises; rows are shared out between threads. It gives
// exactly the bytes of sketchPixel, which a test checks for every style and line step.
#include <omp.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "sketch/convert.h"

namespace carbonel {
namespace {

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
        for (int x = 0; x < width; ++x) {
            const std::int16_t b = pixels[3 * x], g = pixels[3 * x + 1], r = pixels[3 * x + 2];
            blue[x] = b;
            green[x] = g;
            red[x] = r;
            sum[x] = static_cast<std::int16_t>(b + g + r);
        }
    }
};

// What one decided pixel does to the sketch: for Pen and Pastel whether it is drawn, for Pencil
// how much its channels are darkened (0: not at all).
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void decideRow(const PlanarRow& above, const PlanarRow& centre, const PlanarRow& below, int step,
               int threshold, int lower, int upper, bool pencil, int first, int last,
               std::int16_t* outcome, std::int16_t* edgeCount) {
    const std::int16_t* cb = centre.blue.data();
    const std::int16_t* cg = centre.green.data();
    const std::int16_t* cr = centre.red.data();
    const std::int16_t* cs = centre.sum.data();
    const PlanarRow* rows[3] = {&above, &centre, &below};
    // Sums and counts accumulate sample by sample, so every inner loop runs over a whole row; the
    // contrast sums are kept in `outcome` until the outcome replaces them.
    std::int16_t* contrastSum = outcome;
    for (int x = first; x <= last; ++x) contrastSum[x] = edgeCount[x] = 0;
    for (int j = 0; j < 3; ++j) {
        for (int i = -1; i <= 1; ++i) {
            if (j == 1 && i == 0) continue;  // the centre: never brighter by more than T >= 0
            const int offset = i * step;
            const std::int16_t* sb = rows[j]->blue.data() + offset;
            const std::int16_t* sg = rows[j]->green.data() + offset;
            const std::int16_t* sr = rows[j]->red.data() + offset;
            const std::int16_t* ss = rows[j]->sum.data() + offset;
            for (int x = first; x <= last; ++x) {
                const int db = cb[x] - sb[x], dg = cg[x] - sg[x], dr = cr[x] - sr[x];
                const int contrast = (db < 0 ? -db : db) + (dg < 0 ? -dg : dg) + (dr < 0 ? -dr : dr);
                const bool brighter = ss[x] >= cs[x];
                contrastSum[x] = static_cast<std::int16_t>(contrastSum[x] + (brighter ? contrast : 0));
                edgeCount[x] = static_cast<std::int16_t>(edgeCount[x] + (brighter && contrast > threshold));
            }
        }
    }
    if (pencil) {
        for (int x = first; x <= last; ++x) {
            const int s = contrastSum[x];
            outcome[x] = static_cast<std::int16_t>(s > threshold ? s / 3 : 0);
        }
    } else {
        for (int x = first; x <= last; ++x) {
            const int c = edgeCount[x];
            outcome[x] = static_cast<std::int16_t>(c >= lower && c <= upper);
        }
    }
}

void applyOutcome(PenStyle style, const std::int16_t* outcome, const std::uint8_t* photoRow,
                  std::uint8_t* sketchRow, int first, int last) {
    switch (style) {
        case PenStyle::Pencil:
            for (int x = first; x <= last; ++x) {
                const int t = outcome[x];
                for (int c = 0; c < 3; ++c) {
                    const int v = sketchRow[3 * x + c];
                    sketchRow[3 * x + c] = static_cast<std::uint8_t>(v > t ? v - t : 0);
                }
            }
            break;
        case PenStyle::Pen:
            for (int x = first; x <= last; ++x) {
                if (outcome[x]) sketchRow[3 * x] = sketchRow[3 * x + 1] = sketchRow[3 * x + 2] = 0;
            }
            break;
        default:  // Pastel
            for (int x = first; x <= last; ++x) {
                if (!outcome[x]) continue;
                sketchRow[3 * x] = photoRow[3 * x];
                sketchRow[3 * x + 1] = photoRow[3 * x + 1];
                sketchRow[3 * x + 2] = photoRow[3 * x + 2];
            }
            break;
    }
}

}  // namespace

bool sketchWholePhotoFast(const Raster& photo, Raster& sketch, const SketchSettings& settings,
                          PenStyle style, int threads) {
    const int step = settings.lineStep;
    const int threshold = settings.edgeThreshold;
    if (style != PenStyle::Pen && style != PenStyle::Pencil && style != PenStyle::Pastel) return false;
    if (settings.outputScale != 1 || step < 1 || threshold < 0) return false;
    const int width = photo.width();
    const int height = photo.height();
    if (sketch.width() <= width - 1 || sketch.height() <= height - 1) return false;

    const int first = 2 * step, lastX = width - step - 2, lastY = height - step - 2;
    if (first > lastX || first > lastY) return true;  // a photo this small has no decided pixel
    const CountWindow window = countWindowFor(step);
    const bool pencil = style == PenStyle::Pencil;
    sketch.detach();

    const int threadCount = threads > 0 ? threads : omp_get_max_threads();
    const int rowCount = lastY - first + 1;
#pragma omp parallel num_threads(threadCount)
    {
        // Each thread takes one block of rows and keeps a ring of the 2L + 1 planar rows that the
        // current row's lattice spans, so every photo row is split only once per block.
        const int team = omp_get_num_threads();
        const int member = omp_get_thread_num();
        const int begin = first + static_cast<int>(static_cast<long long>(rowCount) * member / team);
        const int end = first + static_cast<int>(static_cast<long long>(rowCount) * (member + 1) / team);
        if (begin < end) {
            const int ringSize = 2 * step + 1;
            std::vector<PlanarRow> ring(static_cast<std::size_t>(ringSize));
            for (PlanarRow& row : ring) row.resize(width);
            auto slot = [&](int y) -> PlanarRow& { return ring[static_cast<std::size_t>(y % ringSize)]; };
            for (int y = begin - step; y < begin + step; ++y) slot(y).load(photo.rowUnchecked(y), width);
            std::vector<std::int16_t> outcome(static_cast<std::size_t>(width));
            std::vector<std::int16_t> edgeCount(static_cast<std::size_t>(width));
            for (int y = begin; y < end; ++y) {
                slot(y + step).load(photo.rowUnchecked(y + step), width);
                decideRow(slot(y - step), slot(y), slot(y + step), step, threshold, window.lower,
                          window.upper, pencil, first, lastX, outcome.data(), edgeCount.data());
                applyOutcome(style, outcome.data(), photo.rowUnchecked(y), sketch.mutableRowUnchecked(y),
                             first, lastX);
            }
        }
    }
    return true;
}

}  // namespace carbonel
