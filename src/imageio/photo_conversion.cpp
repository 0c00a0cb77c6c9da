#include "imageio/photo_conversion.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

#include "imageio/jpeg_codec.h"
#include "imageio/picture_files.h"

namespace carbonel {
namespace {

constexpr int kRowsPerChunk = 64;

// The decoder's progress: rows decoded so far, or kDecodingFailed.
constexpr int kDecodingFailed = -1;

// Waits until at least `rows` rows are decoded; false when decoding failed.
bool waitForRows(const std::atomic<int>& progress, int rows) {
    for (int done = progress.load(std::memory_order_acquire); done < rows;
         done = progress.load(std::memory_order_acquire)) {
        if (done == kDecodingFailed) return false;
        progress.wait(done, std::memory_order_acquire);
    }
    return true;
}

ConvertedPhoto convertWhileDecoding(JpegDecoder& decoder, const ConversionOptions& options) {
    ConvertedPhoto result;
    result.photo = Raster::uninitialized(decoder.width(), decoder.height());
    result.sketch = Raster::uninitialized(decoder.width() + 1, decoder.height() + 1);
    const SketchSettings settings = conversionSettings(options);
    const int step = settings.lineStep;
    const int height = decoder.height();

    std::atomic<int> progress{0};
    std::exception_ptr failure;
    std::thread decoding([&] {
        try {
            decoder.decodeInto(result.photo, &progress);
        } catch (...) {
            failure = std::current_exception();
            progress.store(kDecodingFailed, std::memory_order_release);
            progress.notify_all();
        }
    });

    fillBlankRows(result.sketch, options, 0, result.sketch.height());
    // Sketch chunks of rows as soon as the rows their lattices reach are decoded; once the decoder
    // is done, every core shares the rows that are left.
    int next = 0;
    while (next < height) {
        const int progressNow = progress.load(std::memory_order_acquire);
        if (progressNow == height || progressNow == kDecodingFailed) break;
        const int end = std::min(height, next + kRowsPerChunk);
        if (!waitForRows(progress, std::min(height, end + step))) break;
        sketchRowsFast(result.photo, result.sketch, settings, options.style, next, end);
        next = end;
    }
    decoding.join();
    if (failure) std::rethrow_exception(failure);

    const int threads = conversionThreads(options.threads);
#pragma omp parallel num_threads(threads)
    {
        const int team = omp_get_num_threads();
        const int member = omp_get_thread_num();
        const int rows = height - next;
        sketchRowsFast(result.photo, result.sketch, settings, options.style,
                       next + static_cast<int>(static_cast<long long>(rows) * member / team),
                       next + static_cast<int>(static_cast<long long>(rows) * (member + 1) / team));
    }
    return result;
}

}  // namespace

ConvertedPhoto loadAndConvert(const std::string& path, const ConversionOptions& options) {
    ConvertedPhoto result;
    if (photoKindFor(path) == PhotoKind::Jpeg && usesFastPath(options) &&
        conversionThreads(options.threads) > 1) {
        JpegDecoder decoder(path);
        return convertWhileDecoding(decoder, options);
    }
    result.photo = loadPicture(path);
    result.sketch = convertPhoto(result.photo, options);
    return result;
}

}  // namespace carbonel
