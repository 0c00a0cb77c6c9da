#include "animation/gif_document.h"

#include <algorithm>

#include "animation/web_palette.h"
#include "sketch/error.h"

namespace carbonel {

int GifColorTable::bitsPerPixel() const {
    if (entries.empty()) return 0;
    int bits = 1;
    while ((std::size_t{1} << bits) < entries.size()) ++bits;
    return bits;
}

int GifFrame::colorIndexAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) throw Error("Invalid pixel coordinates");
    return pixels[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)];
}

void GifDocument::growScreen(const GifFrame& frame) {
    screenWidth_ = std::max(screenWidth_, frame.left + frame.width);
    screenHeight_ = std::max(screenHeight_, frame.top + frame.height);
}

int GifDocument::importPicture(const Raster& picture) {
    if (picture.isEmpty()) {
        frames_.emplace_back();
        return static_cast<int>(frames_.size()) - 1;
    }
    return importIndexed(ReduceColors(picture));
}

int GifDocument::importIndexed(IndexedPicture picture) {
    GifFrame frame;
    frame.width = static_cast<std::uint16_t>(picture.width);
    frame.height = static_cast<std::uint16_t>(picture.height);
    if (!frame.isEmpty()) {
        frame.localTable = std::move(picture.table);
        frame.pixels = std::move(picture.indices);
    }
    growScreen(frame);
    frames_.push_back(std::move(frame));
    return static_cast<int>(frames_.size()) - 1;
}

std::string GifDocument::version() const {
    if (frames_.empty()) throw Error("Unsupported GIF version");
    const bool extended = std::any_of(frames_.begin(), frames_.end(), [](const GifFrame& frame) {
        return !frame.extensions.empty() || frame.localTable.sorted;
    });
    return extended || globalTable_.sorted ? "89a" : "87a";
}

}  // namespace carbonel
