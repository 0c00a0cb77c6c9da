#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imageio/picture_names.h"
#include "sketch/raster.h"

namespace carbonel {

// Reads a PNG, TIFF, WebP or GIF (its first frame) photo held in memory through Qt's image
// readers, of the kind its first bytes tell, upright by its orientation tag unless read as stored.
// Transparent pixels are laid on white paper. A photo over the size limit is refused before its
// pixels are allocated, and a file the reader cannot read whole (damaged or cut off) fails with the
// reader's own reason; `name`, when given, is put in front of every message.
Raster decodeQtPicture(const std::vector<std::uint8_t>& bytes,
                       PhotoReading reading = PhotoReading::Upright, const std::string& name = "");

}  // namespace carbonel
