#include "sketch/texture.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "sketch/folder_order.h"

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

void layTexture(Raster& sketch, const Raster& texture, TextureFit fit) {
    if (texture.isEmpty() || sketch.isEmpty()) return;
    sketch.detach();
    layTextureRows(sketch, texture, fit, 0, sketch.height());
}

void layTextureRows(Raster& sketch, const Raster& texture, TextureFit fit, int firstRow,
                    int endRow) {
    if (texture.isEmpty() || sketch.isEmpty()) return;
    const int width = sketch.width();
    const int height = sketch.height();
    const int tw = texture.width();
    const int th = texture.height();
    if (fit == TextureFit::Tile) {
        // Opaque tiles from the top-left corner: pixel (x, y) shows texture pixel (x mod tw, y mod
        // th).
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* in = texture.rowUnchecked(y % th);
            std::uint8_t* out = sketch.mutableRowUnchecked(y);
            for (int x = 0; x < width; x += tw) {
                const int run = std::min(tw, width - x);
                std::memcpy(out + x * 3, in, static_cast<std::size_t>(run) * 3);
            }
        }
        return;
    }
    // Nearest neighbour, sampling each source pixel at the centre of the target pixel.
    std::vector<int> sourceColumn(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        sourceColumn[static_cast<std::size_t>(x)] =
            static_cast<int>((2LL * x + 1) * tw / (2LL * width));
    }
    for (int y = firstRow; y < endRow; ++y) {
        const int sy = static_cast<int>((2LL * y + 1) * th / (2LL * height));
        const std::uint8_t* in = texture.rowUnchecked(sy);
        std::uint8_t* out = sketch.mutableRowUnchecked(y);
        for (int x = 0; x < width; ++x) {
            std::memcpy(out + x * 3, in + sourceColumn[static_cast<std::size_t>(x)] * 3, 3);
        }
    }
}

void applyTexture(Raster& sketch, int photoWidth, int photoHeight, int outputScale,
                  const Raster& texture, TextureFit fit) {
    sketch.setSize(photoWidth / outputScale + 1, photoHeight / outputScale + 1);
    layTexture(sketch, texture, fit);
}

}  // namespace carbonel
