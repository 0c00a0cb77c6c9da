#include "sketch/convert.h"

#include <omp.h>

#include <cstring>

#include "sketch/region_pass.h"

namespace carbonel {
namespace {

int threadCountFor(int requested) { return requested > 0 ? requested : omp_get_max_threads(); }

// The same sheet as blankSketchFor, with the rows filled by several threads: a big sketch's
// first write is as costly as a pass over it.
Raster blankSketchInParallel(const Raster& photo, const ConversionOptions& options) {
    Raster sketch = Raster::uninitialized(photo.width() + 1, photo.height() + 1);
    const bool paper = options.texture && !options.texture->isEmpty();
    const int height = sketch.height();
    const std::size_t rowBytes = static_cast<std::size_t>(sketch.width()) * 3;
#pragma omp parallel num_threads(threadCountFor(options.threads))
    {
        const int team = omp_get_num_threads();
        const int member = omp_get_thread_num();
        const int begin = static_cast<int>(static_cast<long long>(height) * member / team);
        const int end = static_cast<int>(static_cast<long long>(height) * (member + 1) / team);
        if (paper) {
            layTextureRows(sketch, *options.texture, options.textureFit, begin, end);
        } else {
            for (int y = begin; y < end; ++y) std::memset(sketch.mutableRowUnchecked(y), 255, rowBytes);
        }
    }
    return sketch;
}

}  // namespace

SketchSettings conversionSettings(const ConversionOptions& options) {
    SketchSettings settings;
    settings.edgeThreshold = 200 - options.precision;
    settings.outputScale = 1;
    settings.lineStep = options.line;
    return settings;
}

Raster blankSketchFor(const Raster& photo, const ConversionOptions& options) {
    const SketchSettings settings = conversionSettings(options);
    Raster sketch;
    if (options.texture) {
        applyTexture(sketch, photo.width(), photo.height(), settings.outputScale, *options.texture,
                     options.textureFit);
    }
    sketch.setSize(photo.width() / settings.outputScale + 1,
                   photo.height() / settings.outputScale + 1);
    return sketch;
}

Raster convertPhotoReference(const Raster& photo, const ConversionOptions& options) {
    const SketchSettings settings = conversionSettings(options);
    Raster sketch = blankSketchFor(photo, options);
    const int step = settings.lineStep;
    runRegionPass(step, step, photo.width() - step, photo.height() - step, photo, sketch, settings,
                  options.style, options.page);
    return sketch;
}

Raster convertPhoto(const Raster& photo, const ConversionOptions& options) {
    const SketchSettings settings = conversionSettings(options);
    const bool fastPathApplies =
        options.page == ActivePage::Automatic && settings.outputScale == 1 &&
        (options.style == PenStyle::Pen || options.style == PenStyle::Pencil ||
         options.style == PenStyle::Pastel);
    if (fastPathApplies) {
        Raster sketch = blankSketchInParallel(photo, options);
        if (sketchWholePhotoFast(photo, sketch, settings, options.style, threadCountFor(options.threads))) {
            return sketch;
        }
    }
    Raster sketch = blankSketchFor(photo, options);
    const int step = settings.lineStep;
    runRegionPass(step, step, photo.width() - step, photo.height() - step, photo, sketch, settings,
                  options.style, options.page);
    return sketch;
}

}  // namespace carbonel
