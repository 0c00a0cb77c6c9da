// Throughput of the conversion on a real photo scaled to 12 Mpixel: the per-pixel reference,
// the fast path on one thread and on every core. Mpixel/s is reported as "pixels/s".
#include <benchmark/benchmark.h>
#include <omp.h>

#include "scaled_photo.h"
#include "sketch/convert.h"

namespace {

const carbonel::Raster& photo() {
    static const carbonel::Raster picture =
        carbonel::bench::scaledPhoto(std::string(CARBONEL_ASSETS) + "/4.jpg", 12.0);
    return picture;
}

carbonel::ConversionOptions optionsFor(const benchmark::State& state, int threads) {
    carbonel::ConversionOptions options;
    options.style = static_cast<carbonel::PenStyle>(state.range(0));
    options.threads = threads;
    return options;
}

void setRate(benchmark::State& state) {
    state.counters["pixels/s"] =
        benchmark::Counter(double(photo().width()) * photo().height() * state.iterations(),
                           benchmark::Counter::kIsRate);
}

void Reference(benchmark::State& state) {
    const carbonel::ConversionOptions options = optionsFor(state, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(carbonel::convertPhotoReference(photo(), options));
    setRate(state);
}

void FastOneThread(benchmark::State& state) {
    const carbonel::ConversionOptions options = optionsFor(state, 1);
    for (auto _ : state) benchmark::DoNotOptimize(carbonel::convertPhoto(photo(), options));
    setRate(state);
}

void FastAllThreads(benchmark::State& state) {
    const carbonel::ConversionOptions options = optionsFor(state, omp_get_num_procs());
    for (auto _ : state) benchmark::DoNotOptimize(carbonel::convertPhoto(photo(), options));
    setRate(state);
}

// Arguments: the style (0 Pen, 1 Pencil, 2 Pastel).
BENCHMARK(Reference)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(FastOneThread)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK(FastAllThreads)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
