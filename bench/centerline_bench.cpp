// Centreline tracing and path order on a detailed 12-Mpixel sketch: the start picture drawn in
// pen at its own size and tiled 7 x 7, its dark pixels counted as the SVG writer counts them.
// One core; counters give the strokes found and the pen-up travel before and after ordering.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "imageio/photo_reader.h"
#include "sketch/convert.h"
#include "sketch/start_values.h"
#include "vector/centerline.h"
#include "vector/path_order.h"

namespace {

struct Bitmap {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
};

const Bitmap& tiledSketch() {
    static const Bitmap bitmap = [] {
        carbonel::ConversionOptions options;
        options.style = carbonel::PenStyle::Pen;
        const carbonel::Raster sketch = carbonel::convertPhoto(
            carbonel::loadPicture(std::string(CARBONEL_ASSETS) + "/4.jpg"), options);
        constexpr int kTiles = 7;
        const int threshold = carbonel::kTraceThreshold.start;
        Bitmap result{sketch.width() * kTiles, sketch.height() * kTiles, {}};
        result.pixels.resize(std::size_t(result.width) * result.height);
        for (int y = 0; y < result.height; ++y) {
            const std::uint8_t* row = sketch.rowUnchecked(y % sketch.height());
            for (int x = 0; x < result.width; ++x) {
                const std::uint8_t* pixel = row + 3 * (x % sketch.width());
                const int brightness =
                    (pixel[0] * 114 + pixel[1] * 587 + pixel[2] * 299 + 500) / 1000;
                result.pixels[std::size_t(y) * result.width + x] = 255 - brightness >= threshold;
            }
        }
        return result;
    }();
    return bitmap;
}

void Trace(benchmark::State& state) {
    const Bitmap& bitmap = tiledSketch();
    carbonel::vec::CenterlineDrawing drawing;
    for (auto _ : state) {
        drawing = carbonel::vec::traceCenterlines(bitmap.width, bitmap.height, bitmap.pixels);
        benchmark::DoNotOptimize(drawing);
    }
    state.counters["paths"] = double(drawing.paths.size());
    state.counters["lineWidth"] = drawing.lineWidth;
}

void MergeAndOrder(benchmark::State& state) {
    const Bitmap& bitmap = tiledSketch();
    const std::vector<carbonel::vec::Path> found =
        carbonel::vec::traceCenterlines(bitmap.width, bitmap.height, bitmap.pixels).paths;
    std::vector<carbonel::vec::Path> ordered;
    for (auto _ : state) {
        ordered = carbonel::vec::orderPaths(carbonel::vec::mergeTouchingPaths(found));
        benchmark::DoNotOptimize(ordered);
    }
    state.counters["paths"] = double(ordered.size());
    state.counters["penUpFound"] = carbonel::vec::penUpLength(found);
    state.counters["penUpGreedy"] = carbonel::vec::penUpLength(
        carbonel::vec::orderPaths(carbonel::vec::mergeTouchingPaths(found), 0));
    state.counters["penUp"] = carbonel::vec::penUpLength(ordered);
    state.counters["drawn"] = carbonel::vec::drawnLength(ordered);
}

}  // namespace

BENCHMARK(Trace)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(MergeAndOrder)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
