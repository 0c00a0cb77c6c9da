// Throughput of the animated GIF export on real sketches: colour reduction plus LZW coding of one
// 800 x 600 frame, and a whole 300-frame 800 x 600 export (composition, reduction, coding and
// assembling the file in memory) on one thread and on every core. Mpixel/s is "pixels/s".
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstring>
#include <string>
#include <vector>

#include "animation/animation_export.h"
#include "animation/gif_writer.h"
#include "animation/lzw_encoder.h"
#include "animation/web_palette.h"
#include "scaled_photo.h"
#include "sketch/convert.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kFrames = 300;

const carbonel::Raster& sketch() {
    static const carbonel::Raster picture = [] {
        const carbonel::Raster photo = carbonel::bench::scaledPhoto(
            std::string(CARBONEL_ASSETS) + "/4.jpg", kWidth * kHeight / 1e6);
        return carbonel::convertPhoto(photo, carbonel::ConversionOptions{});
    }();
    return picture;
}

// Frame i shows the sketch drawn down to row i of 300 bands, white below: a drawing that grows
// stroke by stroke, as the recorder collects it.
carbonel::Raster growingFrame(int index) {
    const carbonel::Raster& full = sketch();
    carbonel::Raster frame(full.width(), full.height());
    const int rows = full.height() * (index + 1) / kFrames;
    for (int y = 0; y < rows; ++y) {
        std::memcpy(frame.mutableRow(y), full.rowUnchecked(y), std::size_t(full.width()) * 3);
    }
    return frame;
}

void ReduceAndLzw(benchmark::State& state) {
    const carbonel::Raster& frame = sketch();
    omp_set_num_threads(1);  // one core
    for (auto _ : state) {
        const carbonel::IndexedPicture reduced = carbonel::ReduceColors(frame);
        std::string data;
        carbonel::LzwEncoder::encode(reduced.indices.data(), reduced.indices.size(), 8, 256, data);
        benchmark::DoNotOptimize(data);
    }
    state.counters["pixels/s"] = benchmark::Counter(
        double(frame.width()) * frame.height() * state.iterations(), benchmark::Counter::kIsRate);
}

void Export300Frames(benchmark::State& state) {
    const int threads = state.range(0) == 0 ? omp_get_num_procs() : int(state.range(0));
    omp_set_num_threads(threads);
    std::vector<carbonel::Raster> frames;
    for (int i = 0; i < kFrames; ++i) frames.push_back(growingFrame(i));
    const carbonel::FrameList list{kFrames, [&](int i) { return frames[std::size_t(i)]; }, {}};
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string file;
        carbonel::writeGif(carbonel::buildAnimation(list, kWidth, kHeight), file, threads);
        bytes = file.size();
    }
    state.counters["pixels/s"] = benchmark::Counter(
        double(kWidth) * kHeight * kFrames * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["file MB"] = double(bytes) / 1e6;
}

BENCHMARK(ReduceAndLzw)->Unit(benchmark::kMillisecond)->UseRealTime();
// Argument: threads (0: every core).
BENCHMARK(Export300Frames)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
