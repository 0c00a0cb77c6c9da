#pragma once

// Lines wider than the pen: a plotter drawing only their middles would show them thinner than the
// picture does, so they get more strokes beside the middle one.

#include <cstdint>
#include <span>
#include <vector>

#include "vector/path.h"

namespace carbonel::vec {

// Strokes for the line pixels of the `width` x `height` picture (`pixels` as traceCenterlines
// takes them) that `paths`, drawn with a pen `penWidth` pixels wide, leave more than a pixel
// away: the centrelines of what is left, again, a few times over, so that the widest lines are
// filled by strokes side by side. Strokes shorter than twice the pen, the corners of blobs, are
// left out. Returns only the new strokes, in the order found.
std::vector<Path> strokesBesideWideLines(int width, int height,
                                         std::span<const std::uint8_t> pixels,
                                         const std::vector<Path>& paths, double penWidth);

}  // namespace carbonel::vec
