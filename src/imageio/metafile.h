#pragma once

#include <cstdio>

#include "sketch/raster.h"

namespace carbonel {

// A metafile whose frame is the photo's size at 96 dots per inch, holding one stretched
// device-independent-bitmap record that draws the sketch at (0, 0) at its own size (the sketch is
// one pixel wider and taller than the photo, so its last column and row lie just outside).
void writePlaceableWmf(const Raster& sketch, int frameWidth, int frameHeight, std::FILE* out);
void writeEmf(const Raster& sketch, int frameWidth, int frameHeight, std::FILE* out);

}  // namespace carbonel
