#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "imageio/conversion.h"
#include "imageio/picture_names.h"
#include "sketch/convert.h"

namespace carbonel {

// What became of one entry of a batch.
struct BatchOutcome {
    std::string source;
    std::string output;  // the file written, "" when it failed
    std::string error;   // "" when it succeeded
};

// Converts entry `index` of a batch into `outputFolder` through the one-file conversion and gives
// the sketch its batch name (placeBatchOutput), which it returns: for a batch run one file at a
// time. Fails, naming the file, and leaves nothing.
std::string convertBatchEntry(const std::string& entry, int index, const std::string& outputFolder,
                              const ConversionOptions& options, const FileOptions& files = {},
                              ConversionCopies* copies = nullptr,
                              std::optional<OutputFormat> asked = std::nullopt);

// Converts every entry into `outputFolder` with the same options, `jobs` entries at a time, each on
// one thread unless the options ask for more. Sources become files of batchOutputFormat (the
// format asked for, or their own kind's).
// The names are decided first (planBatch), those a one-by-one run in list order gives when every
// entry converts (a failing entry keeps its name from the entries after it): a plan run anywhere
// writes the same files. Each sketch is written unnamed and given its name when
// complete, and an existing file is never replaced. A failing entry is reported and the others go
// on. At most `jobs` photos are in memory at once. `onOutcome` is called for every entry, in list
// order, on whichever thread finished it. Fails before any work when the output folder does not
// exist.
std::vector<BatchOutcome> runParallelBatch(
    const std::vector<std::string>& entries, const std::string& outputFolder,
    const ConversionOptions& options, int jobs,
    const std::function<void(std::size_t, const BatchOutcome&)>& onOutcome,
    const FileOptions& files = {}, std::optional<OutputFormat> asked = std::nullopt);

}  // namespace carbonel
