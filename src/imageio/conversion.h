#pragma once

#include <cstdio>
#include <string>

#include "imageio/atomic_file.h"
#include "imageio/photo_reader.h"
#include "imageio/picture_names.h"
#include "sketch/convert.h"

namespace carbonel {

// The photo and the sketch of a conversion, copied as their rows pass, for a caller that shows
// them (the window's batch).
struct ConversionCopies {
    Raster photo;
    Raster sketch;
};

// The conversion: each photo row goes from the reader to the row sketcher as it is read, and each
// sketch row to the writer as soon as it is final, so memory holds a few rows whatever the
// photo's height. With more than one thread, one core reads while the other sketches and writes.
// The bytes are exactly those of convertPhoto followed by writing every row. The options must ask
// for Pen, Pencil or Pastel. A paper file (files.paper) is read once the photo's size is known,
// only as far as its sketch needs it. Failures of the photo name it; failures of the output name
// `outputName`.
void convertRows(PhotoReader& reader, const ConversionOptions& options, OutputFormat format,
                 std::FILE* out, const std::string& outputName, const FileOptions& files = {},
                 ConversionCopies* copies = nullptr);

// One photo file (its kind told by its name) into one sketch file not yet in place, which its
// caller then names: what `carbonel-cli convert` and every batch do for each file.
void convertPhotoFile(const std::string& photoPath, AtomicFile& file, OutputFormat format,
                      const ConversionOptions& options, const FileOptions& files = {},
                      ConversionCopies* copies = nullptr);

}  // namespace carbonel
