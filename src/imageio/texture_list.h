#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace carbonel {

// One texture name offered in the selector, and the picture file it loads.
struct TextureEntry {
    std::string name;            // the file name without its last four characters, as on disk
    std::filesystem::path file;  // the ".bmp" file the name stands for, in its own folder
};

// Appends the textures found in `folder` and, depth first, in its sub-folders: every file whose
// lower-cased name ends in ".bmp" or ".swf". Entries come sorted by lower-cased name, then by exact
// name; symbolic links and names starting with "." are never descended into. A missing or
// unreadable folder adds nothing.
void listTextures(const std::filesystem::path& folder, std::vector<TextureEntry>& list);

}  // namespace carbonel
