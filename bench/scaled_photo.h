#pragma once

#include <string>

#include "sketch/raster.h"

namespace carbonel::bench {

// A real photo scaled smoothly to about `megapixels` million pixels, keeping its aspect ratio.
Raster scaledPhoto(const std::string& path, double megapixels);

}  // namespace carbonel::bench
