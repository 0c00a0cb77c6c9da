#include "sketch/convert.h"

#include <omp.h>

#include <algorithm>

#include "sketch/region_pass.h"
#include "sketch/team.h"

namespace carbonel {

int conversionThreads(int requested) {
    return requested > 0 ? requested : omp_get_max_threads();
}

void fillBlankRows(Raster& sketch, const ConversionOptions& options, int beginRow, int endRow) {
    const PaperRows paper(options.texture, options.textureFit, sketch.width(), sketch.height());
    for (int y = beginRow; y < endRow; ++y) paper.fill(y, sketch.mutableRowUnchecked(y));
}

namespace {

// The fast conversion: rows shared out between threads, each thread laying the blank sheet of a
// chunk of rows and sketching it while the chunk is still in its cache.
Raster convertInParallel(const Raster& photo, const ConversionOptions& options) {
    checkPhotoSize(photo.width(), photo.height());
    constexpr int kRowsPerChunk = 64;
    const SketchSettings settings = conversionSettings(options);
    Raster sketch = Raster::uninitialized(photo.width() + 1, photo.height() + 1);
    const int height = sketch.height();
    runOnTeam(conversionThreads(options.threads), [&](int member, int team) {
        const int begin = static_cast<int>(static_cast<long long>(height) * member / team);
        const int end = static_cast<int>(static_cast<long long>(height) * (member + 1) / team);
        for (int chunk = begin; chunk < end; chunk += kRowsPerChunk) {
            const int chunkEnd = std::min(end, chunk + kRowsPerChunk);
            fillBlankRows(sketch, options, chunk, chunkEnd);
            sketchRowsFast(photo, sketch, settings, options.style, chunk, chunkEnd);
        }
    });
    return sketch;
}

}  // namespace

SketchSettings conversionSettings(const ConversionOptions& options) {
    SketchSettings settings;
    settings.edgeThreshold = 200 - options.precision;
    settings.lineStep = options.line;
    return settings;
}

Raster blankSketchFor(const Raster& photo, const ConversionOptions& options) {
    checkPhotoSize(photo.width(), photo.height());
    Raster sketch;
    if (options.texture) {
        applyTexture(sketch, photo.width(), photo.height(), *options.texture, options.textureFit);
    }
    sketch.setSize(photo.width() + 1, photo.height() + 1);
    return sketch;
}

bool fastKernelHandles(const SketchSettings& settings, PenStyle style) {
    return isSketchStyle(style) && settings.lineStep >= 1 && settings.edgeThreshold >= 0;
}

bool usesFastPath(const ConversionOptions& options) {
    return fastKernelHandles(conversionSettings(options), options.style);
}

Raster convertPhotoReference(const Raster& photo, const ConversionOptions& options) {
    const SketchSettings settings = conversionSettings(options);
    Raster sketch = blankSketchFor(photo, options);
    const int step = settings.lineStep;
    runRegionPass(step, step, photo.width() - step, photo.height() - step, photo, sketch, settings,
                  options.style);
    return sketch;
}

Raster convertPhoto(const Raster& photo, const ConversionOptions& options) {
    return usesFastPath(options) ? convertInParallel(photo, options)
                                 : convertPhotoReference(photo, options);
}

}  // namespace carbonel
