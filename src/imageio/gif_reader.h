#pragma once

#include <memory>

#include "imageio/photo_input.h"
#include "imageio/photo_reader.h"

namespace carbonel {

// The first frame of a GIF read through giflib, on its logical screen, a row at a time: rows and
// columns the frame leaves uncovered show the screen's background colour (black without a global
// colour table, white for an index outside it), and transparent pixels lie on white paper, as
// does the whole screen of a frame that has a transparent colour. An interlaced frame's colour
// indices are held whole, up to kMaxHeldPixels. A file cut off before the end of that frame's
// data is refused.
std::unique_ptr<PhotoReader> openGifRows(PhotoInput input);

}  // namespace carbonel
