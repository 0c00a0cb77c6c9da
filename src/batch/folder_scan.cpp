#include "batch/folder_scan.h"

#include <sys/stat.h>

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

std::string specialFileKind(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return "";
    if (S_ISFIFO(status.st_mode)) return "a named pipe";
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "a device";
    if (S_ISSOCK(status.st_mode)) return "a socket";
    return S_ISDIR(status.st_mode) ? "a folder" : "not a regular file";
}

void findall(const std::string& folder, PathList& list) {
    std::vector<ScanFailure> ignored;
    findall(folder, list, ignored);
}

void findall(const std::string& folder, PathList& list, std::vector<ScanFailure>& failures) {
    std::error_code error;
    const std::vector<FolderEntry> entries = sortedFolderEntries(folder, &error);
    if (error) failures.push_back({folder, "cannot read the folder: " + error.message()});
    for (const FolderEntry& entry : entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.isRealDirectory) {
            findall(path, list, failures);
            continue;
        }
        const std::string lower = toLowerAscii(entry.name);
        if (!isPhotoName(lower) || HaveStr(path, list)) continue;
        if (const std::string kind = specialFileKind(path); !kind.empty()) {
            failures.push_back({path, "skipped: it is " + kind + ", not a photo file", true});
            continue;
        }
        list.add(path);
    }
}

}  // namespace carbonel
