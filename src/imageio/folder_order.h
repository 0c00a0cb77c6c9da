#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace carbonel {

std::string toLowerAscii(std::string text);

struct FolderEntry {
    std::string name;  // as on disk
    std::filesystem::path path;
    bool isRealDirectory;  // a directory, not a symbolic link, name not starting with "."
};

// The entries of one folder, sorted by lower-cased name and then by exact name, so every machine
// lists a folder in the same order. A missing or unreadable folder gives no entries, or those read
// before the failure, which `failure` (when given) then holds.
std::vector<FolderEntry> sortedFolderEntries(const std::filesystem::path& folder,
                                             std::error_code* failure = nullptr);

}  // namespace carbonel
