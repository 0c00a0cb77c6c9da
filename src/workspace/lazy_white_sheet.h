#pragma once

#include <cstdint>
#include <vector>

#include "sketch/raster.h"

namespace carbonel {

// A fresh white sheet whose pixels are made white only when first needed, in pieces of a row.
// Whitening a 24-Mpixel sheet at once costs 72 MB of writes and page faults, a visible pause
// before the first freehand step; the step itself and the pane's sampled rows touch little of it.
//
// The sheet is the caller's raster. Whoever reads or copies it as a whole calls finish() first,
// and whoever replaces it calls forget().
class LazyWhiteSheet {
  public:
    // Makes `sheet` a sheet of this size, every pixel still to be whitened.
    void start(Raster& sheet, int width, int height);
    // Whitens what is still pending of the rectangle (inclusive, clamped to the sheet).
    void fillArea(Raster& sheet, int left, int top, int right, int bottom);
    void fillRows(Raster& sheet, int top, int bottom) {
        fillArea(sheet, 0, top, sheet.width() - 1, bottom);
    }
    // Readies row y for reading: true when the row is still wholly pending, so that it is white
    // without being read; otherwise its pending pieces are whitened.
    bool readyRow(Raster& sheet, int y);
    // Whitens everything still pending.
    void finish(Raster& sheet) { fillRows(sheet, 0, sheet.height() - 1); }
    // The sheet was replaced: nothing is pending any more.
    void forget();
    bool pending() const { return pendingCount_ > 0; }

  private:
    // Whether the pending pieces are this sheet's: false (and forgotten) when another picture took
    // its place unannounced.
    bool stillOwns(const Raster& sheet);

    // Each row is whitened in pieces of this many pixels.
    static constexpr int kPieceWidth = 256;

    std::vector<bool> pendingPieces_;  // row by row, kPieceWidth pixels a piece
    int piecesPerRow_ = 0;
    long long pendingCount_ = 0;
    // The pixels the pending pieces belong to: a check that the sheet was not replaced unannounced.
    const std::uint8_t* pixels_ = nullptr;
    int width_ = 0, height_ = 0;
};

}  // namespace carbonel
