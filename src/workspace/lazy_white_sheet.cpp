#include "workspace/lazy_white_sheet.h"

#include <algorithm>
#include <cstring>

namespace carbonel {

void LazyWhiteSheet::start(Raster& sheet, int width, int height) {
    forget();
    sheet = Raster::uninitialized(width, height);
    if (sheet.isEmpty()) return;
    piecesPerRow_ = (width + kPieceWidth - 1) / kPieceWidth;
    pendingCount_ = static_cast<long long>(piecesPerRow_) * height;
    pendingPieces_.assign(static_cast<std::size_t>(pendingCount_), true);
    pixels_ = sheet.rowUnchecked(0);
    width_ = width;
    height_ = height;
}

bool LazyWhiteSheet::stillOwns(const Raster& sheet) {
    if (!pending()) return false;
    if (sheet.isEmpty() || sheet.rowUnchecked(0) != pixels_ || sheet.width() != width_ ||
        sheet.height() != height_) {
        forget();
        return false;
    }
    return true;
}

bool LazyWhiteSheet::readyRow(Raster& sheet, int y) {
    if (!stillOwns(sheet) || y < 0 || y >= height_) return false;
    const auto first = pendingPieces_.begin() + static_cast<std::ptrdiff_t>(y) * piecesPerRow_;
    if (std::all_of(first, first + piecesPerRow_, [](bool piece) { return piece; })) return true;
    fillRows(sheet, y, y);
    return false;
}

void LazyWhiteSheet::fillArea(Raster& sheet, int left, int top, int right, int bottom) {
    if (!stillOwns(sheet)) return;
    top = std::max(top, 0);
    bottom = std::min(bottom, height_ - 1);
    const int firstPiece = std::max(left, 0) / kPieceWidth;
    const int lastPiece = std::min(right, width_ - 1) / kPieceWidth;
    for (int y = top; y <= bottom; ++y) {
        std::uint8_t* row = sheet.mutableRowUnchecked(y);
        const std::size_t rowPieces = static_cast<std::size_t>(y) * piecesPerRow_;
        for (int piece = firstPiece; piece <= lastPiece; ++piece) {
            if (!pendingPieces_[rowPieces + piece]) continue;
            // The last piece takes the row's padding too.
            const std::size_t begin = static_cast<std::size_t>(piece) * kPieceWidth * 3;
            const std::size_t end = piece == piecesPerRow_ - 1
                                        ? sheet.bytesPerLine()
                                        : begin + std::size_t{kPieceWidth} * 3;
            std::memset(row + begin, 255, end - begin);
            pendingPieces_[rowPieces + piece] = false;
            --pendingCount_;
        }
    }
    if (pendingCount_ == 0) forget();
}

void LazyWhiteSheet::forget() {
    pendingPieces_.clear();
    piecesPerRow_ = 0;
    pendingCount_ = 0;
    pixels_ = nullptr;
    width_ = height_ = 0;
}

}  // namespace carbonel
