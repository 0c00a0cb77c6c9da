#pragma once

#include "app/main/control_strip.h"
#include "sketch/convert.h"

namespace carbonel {

// What Convert and the batch convert with: the Automatic page's settings, whatever page is shown.
// Brush and Eraser do not convert, so the style last chosen among Pen, Pencil and Pastel does.
inline ConversionOptions automaticOptions(const StripSettings& strip, const Raster* paper) {
    ConversionOptions options;
    options.precision = strip.precision;
    options.line = strip.line;
    options.style = strip.sketchStyle;
    options.texture = paper;
    options.textureFit = strip.paperFit;
    return options;
}

}  // namespace carbonel
