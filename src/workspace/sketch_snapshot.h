#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "sketch/raster.h"

namespace carbonel {

// A rectangle of sketch pixels, inclusive.
struct PixelArea {
    int left, top, right, bottom;
};

// A sketch kept as tiles of 64 x 64 pixels that snapshots share: a snapshot taken after a change
// holds new tiles only where the change made them differ, and shares every other tile with the
// snapshot before it. A tile never written since a white sheet was laid is no tile at all. Undo
// steps and recorded frames are such snapshots, so each costs about what its change drew.
class SketchSnapshot {
  public:
    static constexpr int kTileSide = 64;

    // The empty sketch (no picture).
    SketchSnapshot() = default;
    // A white sheet of this size: no tile is held.
    static SketchSnapshot whiteSheet(int width, int height);
    // A whole picture.
    static SketchSnapshot of(const Raster& sketch);

    // This snapshot after `sketch` (of the same size) changed within `area`: the tiles the area
    // touches are read again and kept where they differ from this snapshot's. A sketch of another
    // size gives of(sketch).
    SketchSnapshot updated(const Raster& sketch, PixelArea area) const;

    // The area the tiles touching `area` cover, clamped to the sketch: what updated() reads.
    PixelArea tileArea(PixelArea area) const;

    int width() const { return width_; }
    int height() const { return height_; }
    bool isEmpty() const { return width_ == 0 || height_ == 0; }

    // The picture, whole.
    Raster toRaster() const;
    // Makes `sketch` this snapshot's picture. When `sketch` shows `current` (a snapshot of the
    // same size), only the tiles the two do not share are written.
    void restoreInto(Raster& sketch, const SketchSnapshot* current) const;
    // The picture sampled at width x height by nearest neighbour, as the picture panes sample it.
    Raster sampled(int width, int height) const;

    // The bytes of the tiles this snapshot holds that `other` does not share.
    std::size_t bytesNotSharedWith(const SketchSnapshot& other) const;

  private:
    using Tile = std::vector<std::uint8_t>;  // its rows, 3 bytes a pixel, no padding

    int columns() const { return (width_ + kTileSide - 1) / kTileSide; }
    int rows() const { return (height_ + kTileSide - 1) / kTileSide; }
    // Tile (column, row) of `sketch`, or the one this snapshot holds when the pixels are the same.
    std::shared_ptr<const Tile> readTile(const Raster& sketch, int column, int row) const;
    // Writes tile (column, row) into `sketch`.
    void writeTile(Raster& sketch, int column, int row) const;

    int width_ = 0, height_ = 0;
    std::vector<std::shared_ptr<const Tile>> tiles_;  // row by row; null is white
};

}  // namespace carbonel
