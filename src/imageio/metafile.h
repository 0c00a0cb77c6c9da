#pragma once

#include <string>

#include "imageio/picture_names.h"

namespace carbonel {

// A metafile's frame is the photo's size at 96 dots per inch; it holds one stretched
// device-independent-bitmap record that draws the sketch at (0, 0) at its own size (the sketch is
// one pixel wider and taller than the photo, so its last column and row lie just outside).
//
// A metafile of a width x height sketch around its bitmap: what comes before the bottom-up rows,
// and what after, for a sketch written row by row.
struct MetafileParts {
    std::string head, tail;
};
MetafileParts placeableWmfParts(int width, int height, int frameWidth, int frameHeight);
MetafileParts emfParts(int width, int height, int frameWidth, int frameHeight);
// The parts of a placeable Windows metafile (Wmf) or an enhanced one (Emf).
MetafileParts metafileParts(OutputFormat format, int width, int height, int frameWidth,
                            int frameHeight);

}  // namespace carbonel
