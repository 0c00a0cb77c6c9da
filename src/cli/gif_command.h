#pragma once

#include "cli/cli_options.h"

namespace carbonel::cli {

// Builds the animation as the recorder's Save Animate does, as a GIF, or for `animate` in the
// format the output's extension or --format asks for, into the file or standard output ("-");
// 1 on a bad size or file.
int runGif(const GifArgs& args, bool animate = false);

}  // namespace carbonel::cli
