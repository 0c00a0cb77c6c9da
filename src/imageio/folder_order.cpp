#include "imageio/folder_order.h"

#include <algorithm>
#include <system_error>

namespace carbonel {
namespace fs = std::filesystem;

std::string toLowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::vector<FolderEntry> sortedFolderEntries(const fs::path& folder, std::error_code* failure) {
    std::vector<FolderEntry> entries;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
        const fs::directory_entry& entry = *it;
        std::string name = entry.path().filename().string();
        std::error_code statusError;
        const bool isDirectory = entry.is_directory(statusError) && !entry.is_symlink(statusError);
        entries.push_back({name, entry.path(), isDirectory && !name.starts_with(".")});
    }
    if (failure) *failure = error;
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const std::string la = toLowerAscii(a.name);
        const std::string lb = toLowerAscii(b.name);
        return la != lb ? la < lb : a.name < b.name;
    });
    return entries;
}

}  // namespace carbonel
