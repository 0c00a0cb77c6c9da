#pragma once

#include "sketch/raster.h"
#include "sketch/sketch_settings.h"

namespace carbonel {

// The conversion's pass: every photo pixel of the rectangle (left, top)-(right, bottom) is handed
// to sketchPixel with the style; Brush fills the rectangle's inscribed disc with the photo's mean
// colour under it, and Eraser, which sketches nothing, leaves the sketch as it is. The photo's
// outermost one-pixel frame is never processed. A failure of sketchPixel ends the pass at that
// pixel and reaches the caller; what was written stays written.
void runRegionPass(int left, int top, int right, int bottom, const Raster& photo, Raster& sketch,
                   const SketchSettings& settings, PenStyle style);

// The freehand brush's pass over the same rectangle, limited to its inscribed disc (the disc's
// diameter is the rectangle's width): Eraser whitens the disc, Brush fills it with the photo's mean
// colour under it, and the sketch styles decide each pixel inside it. Fails as runRegionPass does.
void runDiscPass(int left, int top, int right, int bottom, const Raster& photo, Raster& sketch,
                 const SketchSettings& settings, PenStyle style);

}  // namespace carbonel
