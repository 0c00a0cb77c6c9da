#pragma once

#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace carbonel::cli {

// Converts every picture of the sources into the output folder; 1 when anything failed.
int runBatch(const BatchArgs& args);

}  // namespace carbonel::cli
