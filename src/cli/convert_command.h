#pragma once

#include <optional>

#include "cli/cli_options.h"
#include "sketch/convert.h"
#include "sketch/raster.h"

namespace carbonel::cli {

// Reads the paper the options name (a picture file or an installed paper), if any.
std::optional<Raster> loadTexture(const ConversionArgs& args);

// The conversion the options ask for; the texture must outlive it.
ConversionOptions conversionOptionsFor(const ConversionArgs& args,
                                       const std::optional<Raster>& texture);

// Converts one photo (or standard input) into one sketch file (or standard output), as the
// Convert button followed by Save does; 1 on a file that cannot be read or written.
int runConvert(const ConvertArgs& args);

}  // namespace carbonel::cli
