#pragma once

#include <string>

#include "imageio/atomic_file.h"
#include "imageio/picture_names.h"
#include "sketch/convert.h"

namespace carbonel {

// Whether a conversion streams: a photo of a known kind, sketched by the fast kernel, into any
// file.
bool streamsConversion(const std::string& photoPath, const ConversionOptions& options);

// Converts row by row: each photo row goes from the decoder to the sketcher as it is decoded, and
// each sketch row to the encoder as soon as it is final (the rows of a BMP or a metafile's bitmap
// at their places in the bottom-up file). For a JPEG or BMP photo memory holds a few rows,
// whatever the photo's height; a photo Qt reads, or a camera photo that must be turned upright, is
// decoded whole first and streams from there. The bytes are exactly those of Convert followed by
// Save; a file that fails anywhere, after its last row too, fails the whole conversion.
void streamPhotoInto(const std::string& photoPath, AtomicFile& file, SaveType type,
                     MetafileKind metafile, const ConversionOptions& options,
                     const FileOptions& files = {});

}  // namespace carbonel
