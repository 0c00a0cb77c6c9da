#pragma once

#include <cstdio>
#include <memory>

#include "imageio/sketch_writer.h"

namespace carbonel {

// Writes a sketch's dark lines as closed curves, black on an empty page, in an SVG drawing or a
// PDF document of the sketch's pixel size at 96 dots per inch. The rows are kept as one bit a
// pixel (whether its darkness, 255 less its brightness, reaches the threshold); at the end they
// are traced with potrace and drawn with cairo, so both formats come from the same curves. A
// sketch with no dark pixel gives an empty page.
std::unique_ptr<SketchWriter> openTracedWriter(OutputFormat format, std::FILE* out,
                                               const SketchFrame& frame);

}  // namespace carbonel
