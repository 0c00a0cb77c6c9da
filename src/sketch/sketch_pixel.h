#pragma once

#include "sketch/raster.h"
#include "sketch/sketch_settings.h"

namespace carbonel {

// Decides one photo pixel and writes the style's stroke into its sketch pixel. This is the
// reference definition of a sketch; the fast conversion must give exactly its bytes.
// A lattice row outside the photo fails with "Scan line index out of range" before anything is
// written. Lattice columns outside the photo (only freehand passes near the left or right edge
// meet them) are left out of the count and the sum.
void sketchPixel(int x, int y, const Raster& photo, Raster& sketch, const SketchSettings& settings,
                 PenStyle style);

}  // namespace carbonel
