#pragma once

// The order strokes are drawn in: fewer and shorter pen-up moves for a plotter or cutter. Works
// on any paths (centrelines or closed outlines); the same paths always give the same order.

#include <cstddef>
#include <span>
#include <vector>

#include "vector/path.h"

namespace carbonel::vec {

// Joins paths whose ends lie within `reach` pixels of each other into one, end to end, turning a
// path round where needed and bridging any gap with a straight segment. Where more than two ends
// meet, the two that continue each other straightest are joined first, and so on. Paths joined
// into a ring become a closed path. Closed paths are left as they are.
std::vector<Path> mergeTouchingPaths(std::vector<Path> paths, double reach = 1);

// How much improvement orderPaths attempts when not told.
inline constexpr int kDefaultOrderPasses = 8;

// The paths in drawing order, each drawn whichever way round starts nearer: nearest next end
// first, starting from the origin (0, 0), then improved by reversing runs of the order while
// that shortens the pen-up travel, for at most `improvementPasses` passes over the order (0:
// the nearest-first order alone). The work is bounded by the number of paths, not by time, so
// the result depends on the paths alone. Closed paths keep their start and direction.
std::vector<Path> orderPaths(std::vector<Path> paths, int improvementPasses = kDefaultOrderPasses);

// The pen-up travel: from the origin to the first path's start and from each path's end to the
// next one's start.
double penUpLength(std::span<const Path> paths);
// The length drawn with the pen down.
double drawnLength(std::span<const Path> paths);
// Times the pen is lifted to move to a path: one per path.
std::size_t penLifts(std::span<const Path> paths);

struct PathStats {
    std::size_t paths = 0;
    double drawnLength = 0;
    double penUpLength = 0;
    std::size_t penLifts = 0;
};
PathStats pathStats(std::span<const Path> paths);

}  // namespace carbonel::vec
