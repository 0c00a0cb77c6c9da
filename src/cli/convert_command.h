#pragma once

#include <string>

#include "cli/cli_options.h"
#include "sketch/convert.h"

namespace carbonel::cli {

// The file of the paper the options name (a picture file or an installed paper), or "" for none
// (or for a `traced` sketch, whose lines lie on an empty page);
// its header is read, so a paper that cannot be read fails ("texture ...") before any photo. The
// conversion reads it for each sketch only as far as that sketch needs it (FileOptions::paper).
std::string paperFile(const ConversionArgs& args, bool traced);

// The conversion the options ask for, without its paper.
ConversionOptions conversionOptionsFor(const ConversionArgs& args);

// Converts one photo (or standard input) into one sketch file (or standard output), as the
// Convert button followed by Save does; 1 on a file that cannot be read or written.
int runConvert(const ConvertArgs& args);

}  // namespace carbonel::cli
