#include "imageio/texture_list.h"

#include <cstring>
#include <system_error>

#include "imageio/folder_order.h"

namespace carbonel {
namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string& text, const char* tail) {
    const std::size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// A ".swf" name, like a ".bmp" one, stands for the ".bmp" file of the same stem in its folder.
fs::path bitmapFileFor(const fs::path& entry, const std::string& lowerName) {
    if (endsWith(lowerName, ".bmp")) return entry;
    const std::string stem = entry.filename().string().substr(0, lowerName.size() - 4);
    const fs::path exact = entry.parent_path() / (stem + ".bmp");
    std::error_code error;
    if (fs::exists(exact, error)) return exact;
    // On a case-sensitive disk the bitmap may be spelled "STEM.BMP" or the like.
    for (const FolderEntry& sibling : sortedFolderEntries(entry.parent_path())) {
        if (toLowerAscii(sibling.name) == toLowerAscii(stem) + ".bmp") return sibling.path;
    }
    return exact;
}

}  // namespace

void listTextures(const fs::path& folder, std::vector<TextureEntry>& list) {
    for (const FolderEntry& entry : sortedFolderEntries(folder)) {
        if (entry.isRealDirectory) {
            listTextures(entry.path, list);
            continue;
        }
        const std::string lower = toLowerAscii(entry.name);
        if (endsWith(lower, ".bmp") || endsWith(lower, ".swf")) {
            list.push_back(
                {entry.name.substr(0, entry.name.size() - 4), bitmapFileFor(entry.path, lower)});
        }
    }
}

}  // namespace carbonel
