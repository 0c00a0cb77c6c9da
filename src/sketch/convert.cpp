#include "sketch/convert.h"

#include "sketch/region_pass.h"

namespace carbonel {

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
    Raster sketch = blankSketchFor(photo, options);
    const bool fastPathApplies = options.page == ActivePage::Automatic &&
                                 options.style != PenStyle::Brush;
    if (fastPathApplies &&
        sketchWholePhotoFast(photo, sketch, settings, options.style, options.threads)) {
        return sketch;
    }
    const int step = settings.lineStep;
    runRegionPass(step, step, photo.width() - step, photo.height() - step, photo, sketch, settings,
                  options.style, options.page);
    return sketch;
}

}  // namespace carbonel
