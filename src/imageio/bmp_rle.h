#pragma once

// A BMP's run-length coded pixels (RLE8 and RLE4), walked without making a picture: the reader
// finds where each row starts with one walk, then decodes a row at a time from its start.

#include <cstddef>
#include <cstdint>

#include "sketch/error.h"

namespace carbonel {

// Where a row's run-length data starts: the byte it starts at and the column its first pixel
// goes to. A row the data never reaches (skipped by a move, or above the picture's end mark) has
// no start and keeps colour index 0.
struct RleRowStart {
    static constexpr std::size_t kNone = ~std::size_t{0};
    std::size_t at = kNone;
    std::size_t x = 0;
};

// Run-length data: pairs (count, index), or an escape (0, code): 0 ends a row, 1 the picture,
// 2 moves by (dx, dy), anything else starts that many literal indices (padded to 16 bits). Walks
// the data from `at`, in row `y` (counted from the bottom) and column `x`, calling
// paint(x, index) for each pixel and rowStart(y, start) when the walk moves to another row; with
// `oneRow` it stops there. Data that stops before its end mark is refused.
template <typename Paint, typename RowStart>
void walkRle(const std::uint8_t* data, std::size_t size, bool four, std::size_t height,
             RleRowStart from, std::size_t y, bool oneRow, const Paint& paint,
             const RowStart& rowStart) {
    std::size_t at = from.at, x = from.x;
    auto next = [&]() -> std::uint8_t {
        if (at >= size)
            throw Error(
                "Bitmap image is not valid: the file is cut off inside its compressed "
                "pixels");
        return data[at++];
    };
    auto moved = [&](std::size_t rows) {
        y += rows;
        if (oneRow) return true;
        rowStart(y, RleRowStart{at, x});
        return false;
    };
    for (;;) {
        const std::uint8_t count = next();
        const std::uint8_t code = next();
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                paint(x++, four ? (i % 2 ? code & 15 : code >> 4) : code);
        } else if (code == 0) {
            x = 0;
            if (moved(1)) return;
        } else if (code == 1) {
            return;
        } else if (code == 2) {
            x += next();
            const std::uint8_t rows = next();
            if (rows > 0 && moved(rows)) return;
        } else {
            std::uint8_t byte = 0;
            for (int i = 0; i < code; ++i) {
                if (!four || i % 2 == 0) byte = next();
                paint(x++, four ? (i % 2 ? byte & 15 : byte >> 4) : byte);
            }
            const std::size_t used = four ? (code + 1) / 2 : code;
            if (used % 2) next();
        }
        if (y > height) return;  // past the top: nothing more can show
    }
}

}  // namespace carbonel
