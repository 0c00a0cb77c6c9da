#include "cli/paper_lookup.h"

#include "sketch/error.h"

namespace carbonel::cli {
namespace fs = std::filesystem;

fs::path textureFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error).parent_path();
    if (fs::is_directory(program / "texture", error)) return program / "texture";
    return (program / ".." / "share" / "carbonel" / "texture").lexically_normal();
}

std::vector<TextureEntry> installedTextures() {
    std::vector<TextureEntry> textures;
    listTextures(textureFolder(), textures);
    return textures;
}

std::string texturePath(const std::string& nameOrPath) {
    std::error_code error;
    if (fs::is_regular_file(nameOrPath, error)) return nameOrPath;
    for (const TextureEntry& entry : installedTextures()) {
        if (entry.name == nameOrPath) return entry.file.string();
    }
    throw Error(nameOrPath + ": no such file, and no paper of that name in " +
                textureFolder().string() + " (carbonel-cli textures lists them)");
}

}  // namespace carbonel::cli
