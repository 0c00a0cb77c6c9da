#pragma once

#include <cstddef>
#include <cstdint>

#include "sketch/raster.h"

namespace carbonel {

// Decodes a Windows BMP file held in memory as a 24-bit raster: 1, 4 and 8 bits with a colour
// table (uncompressed or run-length coded), 16 and 32 bits with or without bit fields, 24 bits;
// rows bottom-up or top-down. A file shorter than its header promises is refused whole, so no
// pixel ever comes from anywhere but the file. Fails with "Bitmap image is not valid: WHY".
Raster decodeBmp(const std::uint8_t* data, std::size_t size);

}  // namespace carbonel
