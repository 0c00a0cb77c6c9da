#pragma once

#include <memory>

#include "imageio/photo_input.h"
#include "imageio/photo_reader.h"

namespace carbonel {

// A PNG read through libpng a row at a time: every bit depth and colour type (16 bits rounded to
// 8, palettes and grey made RGB), transparent parts on white paper. An interlaced PNG is read
// whole, up to kMaxHeldPixels. No chunk may take more than 8 MiB of memory, and the text,
// profile and other chunks we do not use are skipped unread.
std::unique_ptr<PhotoReader> openPngRows(PhotoInput input);

}  // namespace carbonel
