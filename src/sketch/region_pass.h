#pragma once

#include "sketch/raster.h"
#include "sketch/sketch_settings.h"

namespace carbonel {

// Applies the style to the rectangle (left, top)-(right, bottom) of the photo, writing the sketch.
// Eraser (on the Freehand page) whitens a disc, Brush fills the disc with the photo's mean colour
// under it, and the other styles hand each pixel to sketchPixel: inside the disc on the Freehand
// page, everywhere in the rectangle on the Automatic page. The disc's diameter is the rectangle's
// width. The photo's outermost one-pixel frame is never processed. A failure of sketchPixel ends
// the pass at that pixel and reaches the caller; what was written stays written.
void runRegionPass(int left, int top, int right, int bottom, const Raster& photo, Raster& sketch,
                   const SketchSettings& settings, PenStyle style, ActivePage page);

}  // namespace carbonel
