#include "imageio/texture_list.h"

#include <cstring>
#include <system_error>

#include "imageio/file_suffixes.h"
#include "imageio/folder_order.h"

namespace carbonel {
namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string& text, std::string_view tail) {
    return text.ends_with(tail);
}

// A paper is a BMP file.
const std::string kBitmap(kBmpSuffixes[0]);

// A ".swf" name, like a ".bmp" one, stands for the ".bmp" file of the same stem in its folder.
fs::path bitmapFileFor(const fs::path& entry, const std::string& lowerName) {
    if (endsWith(lowerName, kBitmap)) return entry;
    const std::string stem = entry.filename().string().substr(0, lowerName.size() - 4);
    const fs::path exact = entry.parent_path() / (stem + kBitmap);
    std::error_code error;
    if (fs::exists(exact, error)) return exact;
    // On a case-sensitive disk the bitmap may be spelled "STEM.BMP" or the like.
    for (const FolderEntry& sibling : sortedFolderEntries(entry.parent_path())) {
        if (toLowerAscii(sibling.name) == toLowerAscii(stem) + kBitmap) return sibling.path;
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
        if (endsWith(lower, kBitmap) || endsWith(lower, ".swf")) {
            list.push_back(
                {entry.name.substr(0, entry.name.size() - 4), bitmapFileFor(entry.path, lower)});
        }
    }
}

}  // namespace carbonel
