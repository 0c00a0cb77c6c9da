#include "cli/batch_command.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include "batch/batch_plan.h"
#include "batch/folder_scan.h"
#include "batch/parallel_batch.h"
#include "cli/convert_command.h"
#include "cli/report.h"
#include "cli/standard_streams.h"
#include "imageio/file_bytes.h"
#include "sketch/error.h"

namespace carbonel::cli {
namespace fs = std::filesystem;

namespace {

// The work list: each folder scanned, each file as it is. False when a source is neither, or a
// folder could not be read; a named pipe or a device is said to be skipped, and left out.
bool collectSources(const std::vector<std::string>& sources, PathList& list) {
    bool allFound = true;
    for (std::string source : sources) {
        while (source.size() > 1 && source.ends_with('/')) source.pop_back();
        std::error_code error;
        if (fs::is_directory(source, error)) {
            std::vector<ScanFailure> failures;
            findall(source, list, failures);
            for (const ScanFailure& failure : failures) {
                reportError(failure.path + ": " + failure.reason);
                allFound = allFound && failure.skippedFile;
            }
        } else if (const std::string kind = specialFileKind(source); !kind.empty()) {
            reportError(source + ": skipped: it is " + kind + ", not a photo file");
        } else if (fs::exists(source, error)) {
            list.add(source);
        } else {
            reportError(source + ": no such file or folder");
            allFound = false;
        }
    }
    return allFound;
}

// "7 of 9, 1 failed": the files done so far, and how many of them failed.
std::string progressText(std::size_t done, std::size_t total, std::size_t failed) {
    std::string text = std::to_string(done) + " of " + std::to_string(total);
    if (failed > 0) text += ", " + std::to_string(failed) + " failed";
    return text;
}

}  // namespace

int runBatch(const BatchArgs& args) {
    try {
        std::error_code error;
        if (!fs::is_directory(args.outputFolder, error)) {
            reportError(fs::exists(args.outputFolder, error)
                            ? args.outputFolder + ": is not a folder"
                            : "the output folder " + args.outputFolder + " does not exist");
            return 1;
        }
        PathList list;
        bool ok = collectSources(args.sources, list);
        if (args.plan) {
            for (const PlannedFile& file :
                 planBatch(list.entries(), args.outputFolder, args.format)) {
                try {
                    std::cout << planLine(file) << '\n';
                } catch (const Error& error) {
                    reportError(error.what());
                    ok = false;
                }
            }
            return standardOutputWritten() && ok ? 0 : 1;
        }
        // Each photo reads the paper as far as its own sketch needs it.
        FileOptions files = args.conversion.files;
        files.paper = paperFile(args.conversion, args.format && isVectorFormat(*args.format));
        ConversionOptions options = conversionOptionsFor(args.conversion);
        const int jobs = args.jobs > 0
                             ? args.jobs
                             : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

        // On a terminal; CARBONEL_PROGRESS=1 shows it elsewhere too (the tests have no terminal).
        const bool showProgress =
            !args.quiet && (::isatty(STDERR_FILENO) != 0 || std::getenv("CARBONEL_PROGRESS"));
        const std::size_t total = list.size();
        std::size_t failed = 0;
        runParallelBatch(
            list.entries(), args.outputFolder, options, jobs,
            [&](std::size_t index, const BatchOutcome& outcome) {
                if (showProgress) std::cerr << "\r\033[K";
                if (!outcome.error.empty()) {
                    reportError(aboutFile(outcome.source, outcome.error));
                    ++failed;
                }
                if (showProgress) {
                    std::cerr << progressText(index + 1, total, failed) << std::flush;
                    if (index + 1 == total) std::cerr << '\n';
                }
            },
            files, args.format);
        std::cerr << "carbonel-cli: converted " << total - failed << " of " << total
                  << (total == 1 ? " photo" : " photos") << " into " << args.outputFolder;
        if (failed > 0) std::cerr << ", " << failed << " failed";
        std::cerr << '\n';
        return ok && failed == 0 ? 0 : 1;
    } catch (const std::exception& error) {
        reportError(error.what());
        return 1;
    }
}

}  // namespace carbonel::cli
