#include "batch/batch_plan.h"

#include <unordered_set>

#include "batch/batch_naming.h"
#include "sketch/error.h"

namespace carbonel {

std::vector<PlannedFile> planBatch(const std::vector<std::string>& entries,
                                   const std::string& outputFolder,
                                   std::optional<OutputFormat> asked) {
    std::unordered_set<std::string> planned;
    const auto taken = [&](const std::string& name) {
        return planned.count(name) > 0 || nameTaken(name);
    };
    std::vector<PlannedFile> plan;
    plan.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        plan.push_back({entries[i], batchOutputName(outputFolder, entries[i], static_cast<int>(i),
                                                    taken, asked)});
        planned.insert(plan.back().target);
    }
    return plan;
}

std::string planLine(const PlannedFile& file) {
    for (const std::string* name : {&file.source, &file.target}) {
        if (name->find_first_of("\t\n\r") != std::string::npos) {
            throw Error(*name +
                        ": a name holding a tab or a line break cannot be written in a plan");
        }
    }
    return file.source + "\t" + file.target;
}

}  // namespace carbonel
