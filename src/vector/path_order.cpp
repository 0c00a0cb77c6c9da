#include "vector/path_order.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>

#include "vector/point_tree.h"

namespace carbonel::vec {
namespace {

// An end's direction is read this far into its path, past the kinks of its first pixels.
constexpr double kDirectionReach = 3;
// Points at which a curve's end is tried.
constexpr int kCurveSteps = 8;
// Each node of the order is compared with this many of its nearest neighbours when improving.
constexpr int kNeighbours = 8;
// Steps (a comparison, or a path moved by a reversal) an improvement pass may take per path.
constexpr std::int64_t kStepsPerPath = 64;
// Gains smaller than this are rounding, not gains: stops moves that undo each other.
constexpr double kLeastGain = 1e-9;

// Which way an end of a path leads into it: a unit vector away from the end, to the first point
// kDirectionReach from it (or the far end).
Point inward(const Path& path, bool atEnd) {
    const Point from = atEnd ? path.end() : path.start;
    Point to = from;
    const std::size_t count = path.segments.size();
    for (std::size_t k = 0; k < count && distance(from, to) < kDirectionReach; ++k) {
        // Segment i runs from `before` to its end; from the path's end it is walked backwards.
        const std::size_t i = atEnd ? count - 1 - k : k;
        const Segment& s = path.segments[i];
        const Point before = i == 0 ? path.start : path.segments[i - 1].end;
        if (!s.curved) {
            to = atEnd ? before : s.end;
            continue;
        }
        for (int step = 1; step <= kCurveSteps && distance(from, to) < kDirectionReach; ++step) {
            const double t = atEnd ? 1 - double(step) / kCurveSteps : double(step) / kCurveSteps;
            const double u = 1 - t;
            to = {u * u * u * before.x + 3 * u * u * t * s.control1.x +
                      3 * u * t * t * s.control2.x + t * t * t * s.end.x,
                  u * u * u * before.y + 3 * u * u * t * s.control1.y +
                      3 * u * t * t * s.control2.y + t * t * t * s.end.y};
        }
    }
    const double d = distance(from, to);
    return d > 0 ? Point{(to.x - from.x) / d, (to.y - from.y) / d} : Point{};
}

void append(Path& into, const Path& path) {
    if (into.end() != path.start) into.segments.push_back({{}, {}, path.start, false});
    into.segments.insert(into.segments.end(), path.segments.begin(), path.segments.end());
}

}  // namespace

std::vector<Path> mergeTouchingPaths(std::vector<Path> paths, double reach) {
    // Ends are numbered path * 2 (start) and path * 2 + 1 (end); those of closed paths stay out.
    const auto point = [&](int end) {
        return end % 2 == 0 ? paths[end / 2].start : paths[end / 2].end();
    };
    std::vector<Point> points;
    std::vector<int> ends;  // of each point
    for (int p = 0; p < int(paths.size()); ++p)
        if (!paths[p].closed)
            for (int end = p * 2; end <= p * 2 + 1; ++end) {
                points.push_back(point(end));
                ends.push_back(end);
            }
    const detail::PointTree tree(points);

    // Every pair of ends of different paths within reach, straightest first.
    std::vector<std::tuple<double, double, int, int>> pairs;  // -straightness, gap, ends
    std::vector<Point> directions(paths.size() * 2);
    std::vector<char> known(paths.size() * 2, 0);
    const auto direction = [&](int end) {
        if (!known[end]) directions[end] = inward(paths[end / 2], end % 2 == 1), known[end] = 1;
        return directions[end];
    };
    std::vector<int> near;
    for (std::size_t i = 0; i < points.size(); ++i) {
        tree.within(points[i], reach, near);
        for (int j : near) {
            const int a = ends[i], b = ends[std::size_t(j)];
            if (b <= a || a / 2 == b / 2) continue;
            const Point da = direction(a), db = direction(b);
            pairs.emplace_back(da.x * db.x + da.y * db.y, distance(points[i], points[j]), a, b);
        }
    }
    std::sort(pairs.begin(), pairs.end());
    std::vector<int> partner(paths.size() * 2, -1);
    for (const auto& [bend, gap, a, b] : pairs)
        if (partner[a] < 0 && partner[b] < 0) partner[a] = b, partner[b] = a;

    std::vector<Path> merged;
    std::vector<char> used(paths.size(), 0);
    // Follows the joins from `end`, the first path drawn from that end on.
    const auto chain = [&](int end) {
        Path path;
        path.start = point(end);
        for (int at = end; at >= 0 && !used[at / 2]; at = partner[at ^ 1]) {
            used[at / 2] = 1;
            append(path, at % 2 == 0 ? paths[at / 2] : reversed(paths[at / 2]));
        }
        return path;
    };
    for (int p = 0; p < int(paths.size()); ++p) {
        if (used[p]) continue;
        if (paths[p].closed) {
            used[p] = 1;
            merged.push_back(std::move(paths[p]));
        } else if (partner[p * 2] < 0 || partner[p * 2 + 1] < 0) {
            merged.push_back(chain(partner[p * 2] < 0 ? p * 2 : p * 2 + 1));
        }
    }
    // What is left is joined all round.
    for (int p = 0; p < int(paths.size()); ++p) {
        if (used[p]) continue;
        Path ring = chain(p * 2);
        if (ring.end() != ring.start) ring.segments.push_back({{}, {}, ring.start, false});
        ring.closed = true;
        merged.push_back(std::move(ring));
    }
    return merged;
}

std::vector<Path> orderPaths(std::vector<Path> paths, int improvementPasses) {
    const int n = int(paths.size());
    if (n == 0) return paths;

    // Node 0 is the origin; path p enters at node 1 + 2p (its start) and leaves at 2 + 2p, or
    // the other way round when drawn reversed.
    std::vector<Point> nodes(1 + 2 * std::size_t(n));
    for (int p = 0; p < n; ++p) {
        nodes[1 + 2 * p] = paths[p].start;
        nodes[2 + 2 * p] = paths[p].end();
    }

    // Each node's nearest neighbours, for the nearest-first order and for improving it.
    detail::PointTree tree(nodes);
    std::vector<int> near(nodes.size() * kNeighbours), nearCount(nodes.size());
    for (const int v : tree.inTreeOrder())
        nearCount[v] = tree.nearest(nodes[v], kNeighbours, v, &near[std::size_t(v) * kNeighbours]);

    // Nearest first: the next path is the one with an end nearest the last one's end. That is
    // the first of the last end's nearest neighbours still free, if any is; else the tree's.
    std::vector<int> tour{0};
    tour.reserve(nodes.size());
    std::vector<char> free(nodes.size(), 1);
    free[0] = 0;
    tree.remove(0);
    for (int step = 0, at = 0; step < n; ++step) {
        int next = -1;
        for (int k = 0; k < nearCount[at] && next < 0; ++k)
            if (const int w = near[std::size_t(at) * kNeighbours + k]; free[w]) next = w;
        if (next < 0) next = tree.nearest(nodes[at]);
        const int p = (next - 1) / 2;
        if (paths[p].closed) next = 1 + 2 * p;  // a closed path keeps its direction
        const int out = next % 2 == 1 ? next + 1 : next - 1;
        tour.push_back(next);
        tour.push_back(out);
        for (const int v : {next, out}) free[v] = 0, tree.remove(v);
        at = out;
    }

    // 2-opt over the pen-up moves: a move takes out the moves after tour[lo] and tour[hi] and
    // reverses the paths between, so that tour[lo] goes to tour[hi] (both the ends of paths, or
    // the origin). Each node tries only its nearest neighbours as the new move's other end.
    const int last = int(tour.size()) - 1;
    std::vector<int> position(nodes.size());
    for (int i = 0; i <= last; ++i) position[tour[i]] = i;
    const auto gap = [&](int i, int j) {
        return j > last ? 0.0 : distance(nodes[tour[i]], nodes[tour[j]]);
    };
    std::int64_t steps = kStepsPerPath * n * std::int64_t(std::max(0, improvementPasses));
    for (int pass = 0; pass < improvementPasses && steps > 0; ++pass) {
        bool improved = false;
        for (int i = 0; i <= last && steps > 0; ++i) {
            const int v = tour[i];
            const bool even = i % 2 == 0;
            // The pen-up move at this node: after it at an end, before it at a start.
            const double current = even ? (i == last ? INFINITY : gap(i, i + 1)) : gap(i - 1, i);
            for (int k = 0; k < nearCount[v]; ++k) {
                const int w = near[std::size_t(v) * kNeighbours + k];
                --steps;
                if (distance(nodes[v], nodes[w]) >= current) break;
                const int j = position[w];
                if (j % 2 != i % 2) continue;
                const int lo = std::min(i, j) - (even ? 0 : 1),
                          hi = std::max(i, j) - (even ? 0 : 1);
                const double gain =
                    gap(lo, lo + 1) + gap(hi, hi + 1) - gap(lo, hi) - gap(lo + 1, hi + 1);
                if (gain <= kLeastGain) continue;
                std::reverse(tour.begin() + lo + 1, tour.begin() + hi + 1);
                for (int k = lo + 1; k <= hi; ++k) position[tour[k]] = k;
                steps -= hi - lo;
                improved = true;
                break;
            }
        }
        if (!improved) break;
    }

    std::vector<Path> ordered;
    ordered.reserve(n);
    for (int i = 1; i <= last; i += 2) {
        const int p = (tour[i] - 1) / 2;
        const bool backwards = (tour[i] - 1) % 2 == 1;
        ordered.push_back(backwards && !paths[p].closed ? reversed(paths[p]) : std::move(paths[p]));
    }
    return ordered;
}

double penUpLength(std::span<const Path> paths) {
    double total = 0;
    Point at{};
    for (const Path& path : paths) {
        total += distance(at, path.start);
        at = path.end();
    }
    return total;
}

double drawnLength(std::span<const Path> paths) {
    double total = 0;
    for (const Path& path : paths) total += length(path);
    return total;
}

std::size_t penLifts(std::span<const Path> paths) {
    return paths.size();
}

PathStats pathStats(std::span<const Path> paths) {
    return {paths.size(), drawnLength(paths), penUpLength(paths), penLifts(paths)};
}

}  // namespace carbonel::vec
