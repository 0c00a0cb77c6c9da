#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "sketch/raster.h"

namespace carbonel {

struct GifColor {
    std::uint8_t red, green, blue;
    bool operator==(const GifColor&) const = default;
};

// Up to 256 colours; a frame's pixels are indices into it.
struct GifColorTable {
    std::vector<GifColor> entries;
    bool sorted = false;

    // The smallest b >= 1 with 2^b >= the number of entries; 0 for an empty table.
    int bitsPerPixel() const;
};

// The application extension that makes viewers repeat the animation.
struct GifLoopExtension {
    std::uint16_t loopCount = 0;   // 0: for ever
    std::uint32_t bufferSize = 0;  // 0: not written
};

// Per-frame timing and transparency.
struct GifGraphicControl {
    std::uint8_t flags = 0;   // bits 2-4 disposal, bit 1 user input, bit 0 transparent colour
    std::uint16_t delay = 0;  // hundredths of a second
    std::uint8_t transparentIndex = 0;
    static constexpr std::uint8_t kTransparentFlag = 0x01;
};

using GifExtension = std::variant<GifLoopExtension, GifGraphicControl>;

// A 24-bit picture reduced to colour indices and the table they index.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;  // rows top to bottom, each left to right
    GifColorTable table;
};

// One image of the animation, never interlaced.
struct GifFrame {
    std::uint16_t left = 0, top = 0, width = 0, height = 0;
    GifColorTable localTable;
    std::vector<std::uint8_t> pixels;  // width x height colour indices
    std::vector<GifExtension> extensions;

    bool isEmpty() const { return width == 0 || height == 0; }
    // The colour index at (x, y); fails with "Invalid pixel coordinates" outside the frame.
    int colorIndexAt(int x, int y) const;
};

// An animated GIF in memory: a logical screen and its frames.
class GifDocument {
  public:
    int screenWidth() const { return screenWidth_; }
    int screenHeight() const { return screenHeight_; }
    std::uint8_t backgroundIndex() const { return 0; }
    std::uint8_t aspectRatio() const { return 0; }
    const GifColorTable& globalTable() const { return globalTable_; }
    const std::vector<GifFrame>& frames() const { return frames_; }
    GifFrame& frame(int index) { return frames_.at(static_cast<std::size_t>(index)); }

    // Appends a frame made from the picture, reduced to the web palette, and returns its index.
    // An empty picture gives an empty frame.
    int importPicture(const Raster& picture);
    // Appends an already reduced picture as a frame and returns its index.
    int importIndexed(IndexedPicture picture);

    // "89a" when any frame carries an extension or a sorted table, else "87a"; a document without
    // frames has none and fails with "Unsupported GIF version".
    std::string version() const;

  private:
    void growScreen(const GifFrame& frame);

    int screenWidth_ = 0;
    int screenHeight_ = 0;
    GifColorTable globalTable_;
    std::vector<GifFrame> frames_;
};

}  // namespace carbonel
