#pragma once

#include <optional>
#include <string>
#include <vector>

#include "imageio/picture_names.h"

namespace carbonel {

// One photo of a batch and the name its sketch gets.
struct PlannedFile {
    std::string source;
    std::string target;
};

// The names a batch gives its entries, decided before any is converted: each gets its
// batchOutputName against the files already in the output folder and the names planned for the
// entries before it. A plan run anywhere, in any order, writes what the batch writes.
std::vector<PlannedFile> planBatch(const std::vector<std::string>& entries,
                                   const std::string& outputFolder,
                                   std::optional<OutputFormat> asked = std::nullopt);

// A plan line, "SOURCE<TAB>TARGET"; fails (carbonel::Error) for a name a line cannot hold, one
// with a tab or a line break in it.
std::string planLine(const PlannedFile& file);

}  // namespace carbonel
