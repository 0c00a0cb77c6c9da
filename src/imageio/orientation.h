#pragma once

#include <cstddef>
#include <cstdint>

#include "imageio/photo_reader.h"
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

// A photo whose stored rows are turned upright by an orientation tag: handed on as they come for
// tag 1, or else put on an UprightCanvas first, so that the photo is held once.
class UprightRows : public PhotoReader {
  public:
    // Tags 5 to 8 turn the picture a quarter.
    int width() const override { return orientation_ >= 5 ? storedHeight_ : storedWidth_; }
    int height() const override { return orientation_ >= 5 ? storedWidth_ : storedHeight_; }
    void readRows(const RowSink& sink) override;
    // Upright as stored, the rows may go straight to their places.
    void readRowsInto(const RowPlace& place, const RowSink& sink) override;

  protected:
    // The stored size, and the tag to apply (1 for a photo read as stored).
    void setStored(int width, int height, int orientation);
    int storedWidth() const { return storedWidth_; }
    int storedHeight() const { return storedHeight_; }
    // Hands every row as stored to `sink`, top to bottom.
    virtual void readStoredRows(const RowSink& sink) = 0;
    virtual void readStoredRowsInto(const RowPlace& place, const RowSink& sink) {
        static_cast<void>(place);
        readStoredRows(sink);
    }

  private:
    int storedWidth_ = 0, storedHeight_ = 0, orientation_ = 1;
};

// The whole picture turned upright, through UprightCanvas.
Raster orientUpright(const Raster& stored, int orientation);

}  // namespace carbonel
