#pragma once

// The strokes a plotter or cutter draws: paths of straight and cubic pieces in pixel coordinates.

#include <cmath>
#include <vector>

namespace carbonel::vec {

// A point in pixel coordinates: x to the right, y down, (0, 0) the picture's top-left corner, so
// that the centre of pixel (x, y) is (x + 0.5, y + 0.5).
struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

// One piece of a path, from where the piece before it ends (or the path's start) to `end`: a
// straight line, or when `curved` a cubic Bézier through the control points `control1` and
// `control2` (SVG's L and C).
struct Segment {
    Point control1;
    Point control2;
    Point end;
    bool curved = false;
    bool operator==(const Segment&) const = default;
};

// A stroke drawn without lifting the pen: move to `start` (M), then draw each segment. A closed
// path's last segment ends exactly at `start`, so a writer may end it with Z. A dot is a path
// with one straight segment of length zero (drawn by a round cap).
struct Path {
    Point start;
    std::vector<Segment> segments;
    bool closed = false;

    Point end() const { return segments.empty() ? start : segments.back().end; }
    bool operator==(const Path&) const = default;
};

// The same stroke drawn the other way round; a closed path keeps its start.
Path reversed(const Path& path);

// The drawn length, curves measured along a fine polyline.
double length(const Path& path);

// Points along the path no more than `step` apart, its start and end included.
std::vector<Point> samplePoints(const Path& path, double step);

inline double distance(Point a, Point b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
}

}  // namespace carbonel::vec
