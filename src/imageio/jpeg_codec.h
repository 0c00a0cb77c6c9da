#pragma once

#include <cstdio>
#include <string>

#include "sketch/raster.h"

namespace carbonel {

// Decodes a JPEG file at full size with the floating-point inverse DCT and the library's default
// upsampling and block smoothing. A missing file fails with "Cannot open file %s", data the codec
// rejects (damaged or truncated) with "JPEG error #%d", a picture over the size limit before its
// pixels are allocated.
Raster readJpeg(const std::string& path);

// Writes the raster as a baseline JFIF file: default settings but the floating-point forward DCT,
// quality 20 with the tables forced to baseline range. Fails with "JPEG error #%d".
void writeJpeg(const Raster& picture, std::FILE* out);

}  // namespace carbonel
