#include "vector/path.h"

#include <algorithm>
#include <cmath>

namespace carbonel::vec {
namespace {

// Enough pieces that a curve's polyline is within a hundredth of a pixel of it at sketch scales.
constexpr int kCurvePieces = 16;

Point bezierAt(Point p0, const Segment& s, double t) {
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * p0.x + b * s.control1.x + c * s.control2.x + d * s.end.x,
            a * p0.y + b * s.control1.y + c * s.control2.y + d * s.end.y};
}

}  // namespace

Path reversed(const Path& path) {
    Path result;
    result.closed = path.closed;
    result.start = path.end();
    result.segments.reserve(path.segments.size());
    for (std::size_t i = path.segments.size(); i-- > 0;) {
        const Segment& s = path.segments[i];
        const Point end = i == 0 ? path.start : path.segments[i - 1].end;
        result.segments.push_back({s.control2, s.control1, end, s.curved});
    }
    return result;
}

double length(const Path& path) {
    double total = 0;
    Point from = path.start;
    for (const Segment& s : path.segments) {
        if (!s.curved) {
            total += distance(from, s.end);
        } else {
            Point previous = from;
            for (int i = 1; i <= kCurvePieces; ++i) {
                const Point p = bezierAt(from, s, double(i) / kCurvePieces);
                total += distance(previous, p);
                previous = p;
            }
        }
        from = s.end;
    }
    return total;
}

std::vector<Point> samplePoints(const Path& path, double step) {
    std::vector<Point> points{path.start};
    Point from = path.start;
    for (const Segment& s : path.segments) {
        // Curves are split by the length of their control polygon, which is never shorter.
        const double span = s.curved
                                ? distance(from, s.control1) + distance(s.control1, s.control2) +
                                      distance(s.control2, s.end)
                                : distance(from, s.end);
        const int pieces = std::max(1, int(std::ceil(span / step)));
        for (int i = 1; i <= pieces; ++i) {
            const double t = double(i) / pieces;
            points.push_back(
                s.curved ? bezierAt(from, s, t)
                         : Point{from.x + (s.end.x - from.x) * t, from.y + (s.end.y - from.y) * t});
        }
        from = s.end;
    }
    return points;
}

}  // namespace carbonel::vec
