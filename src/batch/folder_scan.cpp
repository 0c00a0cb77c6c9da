#include "batch/folder_scan.h"

#include "imageio/folder_order.h"
#include "imageio/picture_names.h"

namespace carbonel {

bool PathList::add(const std::string& text) {
    if (!index_.insert(text).second) return false;
    entries_.push_back(text);
    return true;
}

void PathList::removeAt(std::size_t i) {
    index_.erase(entries_.at(i));
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
}

void PathList::clear() {
    entries_.clear();
    index_.clear();
}

bool HaveStr(const std::string& text, const PathList& list) {
    return list.contains(text);
}

void findall(const std::string& folder, PathList& list) {
    std::vector<ScanFailure> ignored;
    findall(folder, list, ignored);
}

void findall(const std::string& folder, PathList& list, std::vector<ScanFailure>& failures) {
    std::error_code error;
    const std::vector<FolderEntry> entries = sortedFolderEntries(folder, &error);
    if (error) failures.push_back({folder, error.message()});
    for (const FolderEntry& entry : entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.isRealDirectory) {
            findall(path, list, failures);
            continue;
        }
        const std::string lower = toLowerAscii(entry.name);
        const bool picture = isPhotoName(lower);
        if (picture && !HaveStr(path, list)) list.add(path);
    }
}

}  // namespace carbonel
