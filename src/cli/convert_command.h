#pragma once

#include <optional>

#include "cli/cli_options.h"
#include "sketch/convert.h"
#include "sketch/raster.h"

namespace carbonel::cli {

// Reads the paper picture named by the options, if any.
std::optional<Raster> loadTexture(const ConversionArgs& args);

// The conversion the options ask for; the texture must outlive it.
ConversionOptions conversionOptionsFor(const ConversionArgs& args,
                                       const std::optional<Raster>& texture);

// Converts one photo file into one sketch file, as the Convert button followed by Save does.
// Throws carbonel::Error on a file that cannot be read or written.
void convertFile(const std::string& photoPath, const std::string& outputPath,
                 const ConversionArgs& args, const std::optional<Raster>& texture);

int runConvert(const ConvertArgs& args);

}  // namespace carbonel::cli
