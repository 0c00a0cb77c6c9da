#pragma once

#include <memory>

#include "imageio/photo_input.h"
#include "imageio/photo_reader.h"

namespace carbonel {

// A WebP read through libwebp's incremental decoder, its rows handed on as they are decoded and
// then let go of, transparent parts on white paper. A lossy picture of more than 24 MiB of rows
// is decoded in bands instead, each from the top again: the incremental decoder writes every row
// its data allows, and a smooth picture's data allows them all at once. libwebp holds a lossless
// picture, a lossy one's transparency and an animation's canvas whole: those are read up to
// kMaxHeldPixels. An animation gives its first frame.
std::unique_ptr<PhotoReader> openWebpRows(PhotoInput input);

}  // namespace carbonel
