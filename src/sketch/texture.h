#pragma once

#include <cstdint>
#include <vector>

#include "sketch/raster.h"
#include "sketch/start_values.h"

namespace carbonel {

// Lays `texture` over the whole of `sketch`: tiled from the top-left corner (the last column and
// row of tiles clipped), or stretched with nearest-neighbour sampling. An empty texture leaves the
// sketch as it is.
void layTexture(Raster& sketch, const Raster& texture, TextureFit fit);

// Lays the texture over the rows firstRow..endRow-1 only, so that rows can be shared out between
// threads; the sketch must not be shared with another raster.
void layTextureRows(Raster& sketch, const Raster& texture, TextureFit fit, int firstRow,
                    int endRow);

// The rows of a blank sheet `width` x `height`, one at a time: the paper as layTexture lays it, or
// white without paper (a null or empty texture). For a sketch made row by row, or chunk by chunk.
class PaperRows {
  public:
    PaperRows(const Raster* texture, TextureFit fit, int width, int height);
    // Writes row y (width pixels, B, G, R) of the sheet.
    void fill(int y, std::uint8_t* out) const;

  private:
    const Raster* texture_;  // null for white
    TextureFit fit_;
    int width_, height_;
    std::vector<int> sourceColumn_;  // stretched: the texture column of each sheet column
};

// Sizes the sketch to (photoWidth + 1) x (photoHeight + 1) and lays the texture.
void applyTexture(Raster& sketch, int photoWidth, int photoHeight, const Raster& texture,
                  TextureFit fit);

}  // namespace carbonel
