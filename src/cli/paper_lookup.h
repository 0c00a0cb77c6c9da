#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "imageio/texture_list.h"

namespace carbonel::cli {

// The installed papers: the "texture" folder beside the program, or else the installed one in
// ../share/carbonel/texture.
std::filesystem::path textureFolder();
std::vector<TextureEntry> installedTextures();

// What a --texture value names: a picture file when there is one, else an installed paper of that
// name. Fails when it is neither, naming the folder looked in.
std::string texturePath(const std::string& nameOrPath);

}  // namespace carbonel::cli
