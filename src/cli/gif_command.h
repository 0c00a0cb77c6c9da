#pragma once

#include "cli/cli_options.h"

namespace carbonel::cli {

// Builds the animation as the recorder's Save Animate does; 1 on a bad size or file.
int runGif(const GifArgs& args);

}  // namespace carbonel::cli
