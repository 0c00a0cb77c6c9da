#include "batch/folder_scan.h"

#include "sketch/folder_order.h"

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
    for (const FolderEntry& entry : sortedFolderEntries(folder)) {
        const std::string path = folder + "/" + entry.name;
        if (entry.isRealDirectory) {
            findall(path, list);
            continue;
        }
        const std::string lower = toLowerAscii(entry.name);
        const bool picture = lower.ends_with(".jpg") || lower.ends_with(".bmp");
        if (picture && !HaveStr(path, list)) list.add(path);
    }
}

}  // namespace carbonel
