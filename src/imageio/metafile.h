#pragma once

#include <cstdio>
#include <string>

#include "imageio/picture_names.h"
#include "sketch/raster.h"

namespace carbonel {

// A metafile whose frame is the photo's size at 96 dots per inch, holding one stretched
// device-independent-bitmap record that draws the sketch at (0, 0) at its own size (the sketch is
// one pixel wider and taller than the photo, so its last column and row lie just outside).
void writePlaceableWmf(const Raster& sketch, int frameWidth, int frameHeight, std::FILE* out);
void writeEmf(const Raster& sketch, int frameWidth, int frameHeight, std::FILE* out);

// A metafile of a width x height sketch around its bitmap: what comes before the bottom-up rows,
// and what after, for a sketch written row by row.
struct MetafileParts {
    std::string head, tail;
};
MetafileParts placeableWmfParts(int width, int height, int frameWidth, int frameHeight);
MetafileParts emfParts(int width, int height, int frameWidth, int frameHeight);
MetafileParts metafileParts(MetafileKind kind, int width, int height, int frameWidth,
                            int frameHeight);

}  // namespace carbonel
