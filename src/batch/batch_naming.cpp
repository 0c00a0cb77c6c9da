#include "batch/batch_naming.h"

#include <filesystem>

#include "imageio/folder_order.h"
#include "imageio/photo_kinds.h"

namespace carbonel {

namespace {

// The most bytes a file name may have on Linux's file systems.
constexpr std::size_t kMaxNameBytes = 255;

}  // namespace

std::string indexedName(const std::string& name, int index) {
    if (index < 0) return name;
    const std::size_t slash = name.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) dot = name.size();
    const std::string digits = std::to_string(index);
    // A name already as long as a name may be gives up the end of its stem to the index, a whole
    // UTF-8 character at a time.
    std::size_t stemEnd = dot;
    while (stemEnd > nameStart &&
           stemEnd - nameStart + digits.size() + (name.size() - dot) > kMaxNameBytes) {
        --stemEnd;
        while (stemEnd > nameStart && (name[stemEnd] & 0xC0) == 0x80) --stemEnd;
    }
    return name.substr(0, stemEnd) + digits + name.substr(dot);
}

std::string batchTarget(const std::string& outputFolder, const std::string& entry,
                        std::optional<OutputFormat> asked) {
    const std::size_t slash = entry.find_last_of('/');
    std::string target =
        outputFolder + (slash == std::string::npos ? "/" + entry : entry.substr(slash));
    // A sketch written in another format than its source's gets that format's extension.
    const OutputFormat format = batchOutputFormat(entry, asked);
    const std::string extension = fileExtension(target);
    if (saveNameFor(extension, format) != extension)
        target = target.substr(0, target.size() - extension.size()) + outputExtension(format);
    return target;
}

std::string batchOutputName(const std::string& outputFolder, const std::string& entry, int index,
                            const std::function<bool(const std::string&)>& taken,
                            std::optional<OutputFormat> asked) {
    const std::string name = batchTarget(outputFolder, entry, asked);
    if (!taken(name)) return name;
    for (int candidate = index;; ++candidate) {
        const std::string indexed = indexedName(name, candidate);
        if (!taken(indexed)) return indexed;
    }
}

bool nameTaken(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(name, error));
}

std::string placeBatchOutput(AtomicFile& file, const std::string& outputFolder,
                             const std::string& entry, int index,
                             std::optional<OutputFormat> asked) {
    // Another program may take the name between the look and the move: then look again.
    for (;;) {
        const std::string name = batchOutputName(outputFolder, entry, index, nameTaken, asked);
        if (file.moveTo(name, false)) return name;
    }
}

OutputFormat batchOutputFormat(const std::string& entry, std::optional<OutputFormat> asked) {
    if (asked) return *asked;
    const std::optional<PhotoKind> kind = photoKindOfName(entry);
    return kind ? photoKindRow(*kind).batchFormat : OutputFormat::Png;
}

}  // namespace carbonel
