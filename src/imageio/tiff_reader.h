#pragma once

#include <memory>

#include "imageio/photo_input.h"
#include "imageio/photo_reader.h"

namespace carbonel {

// The first page of a TIFF read through libtiff, a band of rows at a time (a band of tiles for a
// tiled file): strips and tiles, 1 to 16 bits, grey, RGB, palette, CMYK, YCbCr and the other
// kinds libtiff turns into RGB; transparent parts on white paper; turned upright by its
// Orientation tag (held once) unless read as stored. No single allocation of libtiff's may pass
// 256 MiB: a strip decoding to more is refused.
std::unique_ptr<PhotoReader> openTiffRows(PhotoInput input, PhotoReading reading);

}  // namespace carbonel
