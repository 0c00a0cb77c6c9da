#pragma once

#include <string>

#include "sketch/convert.h"

namespace carbonel {

struct ConvertedPhoto {
    Raster photo;
    Raster sketch;
};

// Loads a photo file and converts it: exactly convertPhoto(loadPicture(path), options). A JPEG
// photo is sketched row by row while later rows are still decoding, one core decoding and the
// other sketching, which hides most of the conversion behind the decoder.
ConvertedPhoto loadAndConvert(const std::string& path, const ConversionOptions& options);

}  // namespace carbonel
