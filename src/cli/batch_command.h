#pragma once

#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace carbonel::cli {

struct BatchArgs {
    std::string outputFolder;
    std::vector<std::string> sources;
    ConversionArgs conversion;
    int jobs = 0;  // 0: one per core
};

BatchArgs parseBatchArgs(const std::vector<std::string>& args);

// Converts every picture of the sources into the output folder; 1 when anything failed.
int runBatch(const BatchArgs& args);

}  // namespace carbonel::cli
