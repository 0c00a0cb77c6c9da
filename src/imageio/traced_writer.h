#pragma once

#include <cstdio>
#include <memory>

#include "imageio/sketch_writer.h"

namespace carbonel {

// Writes a sketch's dark lines, black on an empty page, in an SVG drawing or a PDF document: as
// filled outlines (traced with potrace) or as single strokes along their middles, in an order
// that keeps the pen-up travel short, drawn with cairo so both formats come from the same curves.
// The page is the sketch's pixel size at 96 dots per inch, or a sheet in millimetres the drawing
// is fitted on. The rows are kept as one byte a pixel (its darkness, 255 less its brightness):
// a pixel is a line from the threshold given, else from the one that splits the sketch's tones
// into paper and lines. A sketch with no line gives an empty page.
std::unique_ptr<SketchWriter> openTracedWriter(OutputFormat format, std::FILE* out,
                                               const SketchFrame& frame);

}  // namespace carbonel
