#include "vector/fit.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace carbonel::vec::detail {
namespace {

// Control points this close to the chord draw a straight line: written as one.
constexpr double kStraight = 0.02;
constexpr int kCurveChecks = 16;

double segmentDistance(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y, span = dx * dx + dy * dy;
    double t = span > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / span : 0;
    t = std::clamp(t, 0.0, 1.0);
    return distance(p, {a.x + t * dx, a.y + t * dy});
}

double lineDistance(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y, span = std::hypot(dx, dy);
    if (span == 0) return distance(p, a);
    return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / span;
}

Point unit(Point from, Point to) {
    const double d = distance(from, to);
    return d > 0 ? Point{(to.x - from.x) / d, (to.y - from.y) / d} : Point{};
}

}  // namespace

// Douglas-Peucker between `first` and `last`, marking the points kept.
void PathFitter::simplify(const std::vector<Point>& points, std::size_t first, std::size_t last,
                          double tolerance) {
    ranges_.assign(1, {first, last});
    keep_[first] = keep_[last] = 1;
    while (!ranges_.empty()) {
        const auto [a, b] = ranges_.back();
        ranges_.pop_back();
        double farthest = tolerance;
        std::size_t at = a;
        for (std::size_t i = a + 1; i < b; ++i) {
            const double d = segmentDistance(points[i], points[a], points[b]);
            if (d > farthest) farthest = d, at = i;
        }
        if (at == a) continue;
        keep_[at] = 1;
        ranges_.push_back({a, at});
        ranges_.push_back({at, b});
    }
}

void PathFitter::smooth(std::vector<Point>& polyline, int radius, bool closed) {
    // On a closed polyline the repeated last point is left out and set again at the end.
    const std::ptrdiff_t n = std::ptrdiff_t(polyline.size()) - (closed ? 1 : 0);
    if (n < 3 || radius < 1) return;
    source_.assign(polyline.begin(), polyline.begin() + n);
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const std::ptrdiff_t reach = closed ? std::min<std::ptrdiff_t>(radius, (n - 1) / 2)
                                            : std::min<std::ptrdiff_t>({radius, i, n - 1 - i});
        // Triangular weights: a box would leave ripples of its own width.
        double x = 0, y = 0, total = 0;
        for (std::ptrdiff_t k = -reach; k <= reach; ++k) {
            const double weight = double(reach + 1 - (k < 0 ? -k : k));
            const Point p = source_[std::size_t(((i + k) % n + n) % n)];
            x += weight * p.x;
            y += weight * p.y;
            total += weight;
        }
        polyline[std::size_t(i)] = {x / total, y / total};
    }
    if (closed) polyline.back() = polyline.front();
}

Path PathFitter::fit(std::vector<Point>& polyline, bool closed, int smoothing, double tolerance) {
    Path path;
    if (polyline.empty()) return path;
    smooth(polyline, smoothing, closed);
    path.start = polyline.front();
    path.closed = closed;
    if (polyline.size() == 1) {
        path.segments.push_back({{}, {}, polyline.front(), false});
        return path;
    }

    const std::size_t n = polyline.size();
    keep_.assign(n, 0);
    if (closed) {
        std::size_t far = 0;
        for (std::size_t i = 1; i + 1 < n; ++i)
            if (distance(polyline[i], polyline[0]) > distance(polyline[far], polyline[0])) far = i;
        if (far == 0) far = n / 2;
        simplify(polyline, 0, far, tolerance);
        simplify(polyline, far, n - 1, tolerance);
    } else {
        simplify(polyline, 0, n - 1, tolerance);
    }
    std::vector<std::size_t>& kept = kept_;
    kept.clear();
    for (std::size_t i = 0; i < n; ++i)
        if (keep_[i]) kept.push_back(i);
    const std::size_t pieces = kept.size() - 1;
    path.segments.reserve(pieces);

    // Tangents as in a Catmull-Rom spline, scaled by each piece's own length so that uneven
    // pieces do not overshoot.
    std::vector<Point>& tangent = tangent_;
    tangent.resize(kept.size());
    for (std::size_t v = 0; v < kept.size(); ++v) {
        const bool wraps = closed && pieces >= 2 && (v == 0 || v == pieces);
        const std::size_t before = wraps ? kept[pieces - 1] : kept[v == 0 ? 0 : v - 1];
        const std::size_t after = wraps ? kept[1] : kept[v == pieces ? pieces : v + 1];
        tangent[v] = unit(polyline[before], polyline[after]);
    }

    for (std::size_t v = 0; v < pieces; ++v) {
        const Point a = polyline[kept[v]], b = polyline[kept[v + 1]];
        const double third = distance(a, b) / 3;
        Segment s{{a.x + tangent[v].x * third, a.y + tangent[v].y * third},
                  {b.x - tangent[v + 1].x * third, b.y - tangent[v + 1].y * third},
                  b,
                  true};
        if (lineDistance(s.control1, a, b) < kStraight &&
            lineDistance(s.control2, a, b) < kStraight)
            s.curved = false;
        for (int c = 1; c < kCurveChecks && s.curved; ++c) {
            const double t = double(c) / kCurveChecks, u = 1 - t;
            const Point p{u * u * u * a.x + 3 * u * u * t * s.control1.x +
                              3 * u * t * t * s.control2.x + t * t * t * b.x,
                          u * u * u * a.y + 3 * u * u * t * s.control1.y +
                              3 * u * t * t * s.control2.y + t * t * t * b.y};
            bool near = false;
            for (std::size_t i = kept[v]; i < kept[v + 1] && !near; ++i)
                near = segmentDistance(p, polyline[i], polyline[i + 1]) <= tolerance;
            s.curved = near;
        }
        if (!s.curved) s.control1 = s.control2 = Point{};
        path.segments.push_back(s);
    }
    return path;
}

}  // namespace carbonel::vec::detail
