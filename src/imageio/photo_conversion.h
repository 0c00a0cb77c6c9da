#pragma once

#include <string>

#include "imageio/atomic_file.h"
#include "imageio/picture_names.h"
#include "sketch/convert.h"

namespace carbonel {

struct ConvertedPhoto {
    Raster photo;
    Raster sketch;
};

// Loads a photo file and converts it: exactly convertPhoto(loadPicture(path, reading), options). A
// JPEG photo stored upright is sketched row by row while later rows are still decoding, one core
// decoding and the other sketching.
ConvertedPhoto loadAndConvert(const std::string& path, const ConversionOptions& options,
                              PhotoReading reading = PhotoReading::Upright);

// Converts a photo file into a sketch file of the given type, written under exactly
// `outputPath`: what Convert followed by Save gives. JPEG and BMP photos stream row by row from
// decoder to encoder (streamPhotoInto); other conversions go through whole pictures.
void convertPhotoFile(const std::string& photoPath, const std::string& outputPath, SaveType type,
                      const ConversionOptions& options, const FileOptions& files = {});

// The same into a file not yet in place, for a caller that names it afterwards.
void convertPhotoInto(const std::string& photoPath, AtomicFile& file, SaveType type,
                      MetafileKind metafile, const ConversionOptions& options,
                      const FileOptions& files = {});

}  // namespace carbonel
