#pragma once

// From a traced polyline to a path of straight and cubic pieces. Internal to the vector layer.

#include <cstddef>
#include <utility>
#include <vector>

#include "vector/path.h"

namespace carbonel::vec::detail {

// Fits paths to polylines one after another, keeping its working memory between them.
class PathFitter {
  public:
    // The path through `polyline` (a closed one repeats its first point at the end; one point
    // gives a dot). First the skeleton's staircases and wobbles are evened out: each point moves
    // to the weighted mean of the points up to `smoothing` either side of it (fewer near the
    // ends of an open polyline, which stay put). Then the polyline is simplified within
    // `tolerance` (Douglas-Peucker), and smoothed into cubic pieces wherever the curve stays
    // within `tolerance` of it; elsewhere the pieces stay straight. Changes `polyline`.
    Path fit(std::vector<Point>& polyline, bool closed, int smoothing, double tolerance);

  private:
    void smooth(std::vector<Point>& polyline, int radius, bool closed);
    void simplify(const std::vector<Point>& points, std::size_t first, std::size_t last,
                  double tolerance);

    std::vector<Point> source_;
    std::vector<char> keep_;
    std::vector<std::size_t> kept_;
    std::vector<Point> tangent_;
    std::vector<std::pair<std::size_t, std::size_t>> ranges_;
};

}  // namespace carbonel::vec::detail
