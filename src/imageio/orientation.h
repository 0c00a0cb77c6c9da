#pragma once

#include <cstddef>
#include <cstdint>

#include "sketch/raster.h"

namespace carbonel {

// The orientation tag (1..8) of an Exif block (the APP1 marker's data after its "Exif\0\0"
// header: a TIFF header and IFD0). 1, upright as stored, for a block without the tag or one that
// cannot be read; every offset is checked against the block's size.
int exifOrientation(const std::uint8_t* tiff, std::size_t size);

// A picture filled from its stored rows, each pixel put where a viewer shows it for the orientation
// tag: mirrored and turned so that it stands upright. Tags 5 to 8 swap width and height; 1 and
// unknown tags keep the picture as it is. A turned photo is so held once, never twice.
class UprightCanvas {
  public:
    UprightCanvas(int storedWidth, int storedHeight, int orientation);
    // Stored row `y` (B, G, R), top to bottom as stored.
    void putStoredRow(int y, const std::uint8_t* row);
    Raster& picture() { return upright_; }

  private:
    int width_, height_, orientation_;
    Raster upright_;
};

// The whole picture turned upright, through UprightCanvas.
Raster orientUpright(const Raster& stored, int orientation);

}  // namespace carbonel
