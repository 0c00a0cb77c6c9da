#pragma once

#include <memory>

#include "imageio/photo_input.h"
#include "imageio/photo_reader.h"

namespace carbonel {

// The primary picture of a HEIF file (HEIC from phones, AVIF) read through libheif, which decodes
// it whole: held up to kMaxHeldPixels, refused above before anything is decoded. Its rotation and
// mirroring are applied like a camera's orientation tag unless it is read as stored; transparent
// parts lie on white paper.
std::unique_ptr<PhotoReader> openHeifRows(PhotoInput input, PhotoReading reading);

}  // namespace carbonel
