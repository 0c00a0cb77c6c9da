#pragma once

#include "cli/cli_options.h"

namespace carbonel::cli {

// Sketches a video into a video file or one picture a frame; 1 on a file that cannot be read or
// written, 128 + the signal when interrupted, leaving no output either way.
int runVideo(const VideoArgs& args);

}  // namespace carbonel::cli
