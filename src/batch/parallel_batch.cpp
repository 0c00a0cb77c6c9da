#include "batch/parallel_batch.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "batch/batch_naming.h"
#include "batch/batch_plan.h"
#include "imageio/atomic_file.h"
#include "sketch/error.h"

namespace carbonel {
namespace fs = std::filesystem;

namespace {

// The entry's sketch, written in the target's folder but not yet named.
std::unique_ptr<AtomicFile> convertUnnamed(const std::string& entry, const std::string& target,
                                           const ConversionOptions& options,
                                           const FileOptions& files, ConversionCopies* copies,
                                           std::optional<OutputFormat> asked) {
    auto file = std::make_unique<AtomicFile>(target, AtomicFile::Existing::NeverReplaced);
    convertPhotoFile(entry, *file, batchOutputFormat(entry, asked), options, files, copies);
    file->close();
    return file;
}

}  // namespace

std::string convertBatchEntry(const std::string& entry, int index, const std::string& outputFolder,
                              const ConversionOptions& options, const FileOptions& files,
                              ConversionCopies* copies, std::optional<OutputFormat> asked) {
    const std::unique_ptr<AtomicFile> file = convertUnnamed(
        entry, batchTarget(outputFolder, entry, asked), options, files, copies, asked);
    return placeBatchOutput(*file, outputFolder, entry, index, asked);
}

std::vector<BatchOutcome> runParallelBatch(
    const std::vector<std::string>& entries, const std::string& outputFolder,
    const ConversionOptions& options, int jobs,
    const std::function<void(std::size_t, const BatchOutcome&)>& onOutcome,
    const FileOptions& files, std::optional<OutputFormat> asked) {
    std::error_code error;
    if (!fs::is_directory(outputFolder, error)) {
        throw Error(fs::exists(outputFolder, error)
                        ? outputFolder + ": is not a folder"
                        : "The output folder " + outputFolder + " does not exist");
    }
    ConversionOptions perJob = options;
    if (perJob.threads == 0) perJob.threads = 1;  // the jobs share the cores out

    // Every name is decided first, so a run of the same plan elsewhere writes the same files.
    const std::vector<PlannedFile> plan = planBatch(entries, outputFolder, asked);
    std::vector<BatchOutcome> outcomes(entries.size());
    std::atomic<std::size_t> next{0};
    std::mutex turnLock;
    std::condition_variable turnChanged;
    std::size_t turn = 0;

    auto work = [&] {
        for (std::size_t i = next++; i < entries.size(); i = next++) {
            BatchOutcome& outcome = outcomes[i];
            outcome.source = entries[i];
            try {
                const std::unique_ptr<AtomicFile> file =
                    convertUnnamed(entries[i], plan[i].target, perJob, files, nullptr, asked);
                // No existing file is ever replaced, even one made while the batch ran.
                if (!file->moveTo(plan[i].target, false))
                    throw Error(plan[i].target + ": the name was taken while the batch ran");
                outcome.output = plan[i].target;
            } catch (const std::exception& failure) {
                outcome.error = failure.what();
            }
            // The outcomes are told in list order.
            std::unique_lock lock(turnLock);
            turnChanged.wait(lock, [&] { return turn == i; });
            if (onOutcome) onOutcome(i, outcome);
            ++turn;
            turnChanged.notify_all();
        }
    };

    const int workers = std::max(1, std::min<int>(jobs, static_cast<int>(entries.size())));
    std::vector<std::thread> threads;
    for (int t = 1; t < workers; ++t) threads.emplace_back(work);
    work();
    for (std::thread& thread : threads) thread.join();
    return outcomes;
}

}  // namespace carbonel
