#include "cli/batch_command.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <thread>

#include "batch/folder_scan.h"
#include "batch/parallel_batch.h"
#include "cli/convert_command.h"
#include "cli/report.h"
#include "sketch/error.h"

namespace carbonel::cli {
namespace fs = std::filesystem;

BatchArgs parseBatchArgs(const std::vector<std::string>& args) {
    BatchArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (takeConversionOption(args, i, parsed.conversion)) continue;
        if (args[i] == "--out" || args[i] == "--jobs") {
            if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
            if (args[i] == "--out") {
                parsed.outputFolder = args[++i];
            } else {
                parsed.jobs = parseIntOption("--jobs", args[++i], 1, 256);
            }
        } else if (args[i].starts_with("--")) {
            throw UsageError("unknown option " + args[i]);
        } else {
            parsed.sources.push_back(args[i]);
        }
    }
    if (parsed.outputFolder.empty()) throw UsageError("batch needs --out DIR");
    if (parsed.sources.empty()) throw UsageError("batch takes at least one SOURCE");
    if (parsed.conversion.stretch && !parsed.conversion.texture) {
        throw UsageError("--stretch needs --texture");
    }
    return parsed;
}

namespace {

// The work list: each folder scanned, each file as it is. False when a source is neither, or a
// folder could not be read.
bool collectSources(const std::vector<std::string>& sources, PathList& list) {
    bool allFound = true;
    for (std::string source : sources) {
        while (source.size() > 1 && source.ends_with('/')) source.pop_back();
        std::error_code error;
        if (fs::is_directory(source, error)) {
            std::vector<ScanFailure> unreadable;
            findall(source, list, unreadable);
            for (const ScanFailure& failure : unreadable) {
                reportError(failure.folder + ": cannot read the folder: " + failure.reason);
                allFound = false;
            }
        } else if (fs::exists(source, error)) {
            list.add(source);
        } else {
            reportError(source + ": no such file or folder");
            allFound = false;
        }
    }
    return allFound;
}

}  // namespace

int runBatch(const BatchArgs& args) {
    try {
        std::error_code error;
        if (!fs::is_directory(args.outputFolder, error)) {
            reportError("the output folder " + args.outputFolder + " does not exist");
            return 1;
        }
        PathList list;
        bool ok = collectSources(args.sources, list);
        const std::optional<Raster> texture = loadTexture(args.conversion);
        ConversionOptions options = conversionOptionsFor(args.conversion, texture);
        const int jobs = args.jobs > 0
                             ? args.jobs
                             : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

        const bool showProgress = ::isatty(STDERR_FILENO) != 0;
        const std::size_t total = list.size();
        runParallelBatch(
            list.entries(), args.outputFolder, options, jobs,
            [&](std::size_t index, const BatchOutcome& outcome) {
                if (showProgress) std::cerr << "\r\033[K";
                if (!outcome.error.empty()) {
                    reportError(aboutFile(outcome.source, outcome.error));
                    ok = false;
                }
                if (showProgress) {
                    std::cerr << "converted " << index + 1 << " of " << total << std::flush;
                    if (index + 1 == total) std::cerr << '\n';
                }
            },
            args.conversion.reading);
        return ok ? 0 : 1;
    } catch (const std::exception& error) {
        reportError(error.what());
        return 1;
    }
}

}  // namespace carbonel::cli
