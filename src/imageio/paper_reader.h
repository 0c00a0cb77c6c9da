#pragma once

#include <string>

#include "imageio/photo_reader.h"
#include "sketch/texture.h"

namespace carbonel {

// A paper read only as far as a sketch of width x height needs it, so that the paper's own size
// does not matter: tiled, its top-left part (no more than the sketch's size); stretched, each side
// larger than the sketch's cut down to the columns and rows the sketch samples. Laid on that
// sketch, the result gives exactly the bytes the whole paper gives. Fails as the reader does.
Raster readPaper(PhotoReader& paper, TextureFit fit, int width, int height);

// The same from a picture file.
Raster readPaperFile(const std::string& path, TextureFit fit, int width, int height);

}  // namespace carbonel
