#pragma once

// Centreline tracing: the dark lines of a one-bit picture as single strokes along their middles,
// for pen plotters and cutters, which would otherwise draw a filled outline twice.

#include <cstdint>
#include <span>
#include <vector>

#include "vector/path.h"

namespace carbonel::vec {

struct CenterlineDrawing {
    // The strokes in the order they were found (see path_order.h to order them for drawing).
    std::vector<Path> paths;
    // The median width of the picture's lines in pixels (0 without any line): the pen width
    // that draws the strokes about as heavy as the picture.
    double lineWidth = 0;
};

// The centrelines of the lines of a `width` x `height` picture whose row-major `pixels` are 1
// (or any non-zero value) on a line and 0 elsewhere.
//
// Lines are thinned to their skeleton, short spurs are cut off, and at a junction the two
// branches that continue each other straightest become one stroke (a cross gives two strokes, a
// T the bar and the stem). Strokes are simplified and smoothed within half a pixel; a loop
// without a junction is a closed path; a lone dot is a path of length zero.
//
// Works in a few bytes per pixel and time about linear in the pixels. Throws
// std::invalid_argument when `pixels` does not hold width x height values.
CenterlineDrawing traceCenterlines(int width, int height, std::span<const std::uint8_t> pixels);

}  // namespace carbonel::vec
