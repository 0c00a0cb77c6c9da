#include "vector/point_tree.h"

#include <algorithm>
#include <numeric>

namespace carbonel::vec::detail {
namespace {

double squared(Point a, Point b) {
    return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
}
double along(Point p, int axis) {
    return axis == 0 ? p.x : p.y;
}

}  // namespace

PointTree::PointTree(std::span<const Point> points)
    : points_(points.begin(), points.end()),
      order_(points.size()),
      position_(points.size()),
      left_(points.size()),
      in_(points.size(), 1) {
    std::iota(order_.begin(), order_.end(), 0);
    build(0, int(order_.size()), 0);
    for (int p = 0; p < int(order_.size()); ++p) position_[order_[p]] = p;
}

// The median of [lo, hi) on `axis` at the middle, the halves on either side below it.
void PointTree::build(int lo, int hi, int axis) {
    if (lo >= hi) return;
    const int mid = lo + (hi - lo) / 2;
    std::nth_element(order_.begin() + lo, order_.begin() + mid, order_.begin() + hi,
                     [&](int a, int b) {
                         const double pa = along(points_[a], axis), pb = along(points_[b], axis);
                         return pa < pb || (pa == pb && a < b);
                     });
    left_[mid] = hi - lo;
    build(lo, mid, 1 - axis);
    build(mid + 1, hi, 1 - axis);
}

void PointTree::remove(int id) {
    const int target = position_[id];
    if (!in_[target]) return;
    in_[target] = 0;
    for (int lo = 0, hi = int(order_.size()); lo < hi;) {
        const int mid = lo + (hi - lo) / 2;
        --left_[mid];
        if (target == mid) break;
        if (target < mid)
            hi = mid;
        else
            lo = mid + 1;
    }
}

void PointTree::search(int lo, int hi, int axis, Point to, int except,
                       std::vector<std::pair<double, int>>& best, std::size_t count) const {
    if (lo >= hi) return;
    const int mid = lo + (hi - lo) / 2;
    if (left_[mid] == 0) return;
    const Point p = points_[order_[mid]];
    if (in_[mid] && order_[mid] != except) {
        const double d = squared(p, to);
        if (best.size() < count || d < best.back().first) {
            const auto at = std::upper_bound(
                best.begin(), best.end(), d,
                [](double value, const std::pair<double, int>& b) { return value < b.first; });
            best.insert(at, {d, order_[mid]});
            if (best.size() > count) best.pop_back();
        }
    }
    const double delta = along(to, axis) - along(p, axis);
    const bool lowFirst = delta < 0;
    if (lowFirst)
        search(lo, mid, 1 - axis, to, except, best, count);
    else
        search(mid + 1, hi, 1 - axis, to, except, best, count);
    if (best.size() < count || delta * delta < best.back().first) {
        if (lowFirst)
            search(mid + 1, hi, 1 - axis, to, except, best, count);
        else
            search(lo, mid, 1 - axis, to, except, best, count);
    }
}

int PointTree::nearest(Point to) const {
    std::vector<std::pair<double, int>> best;
    best.reserve(2);
    search(0, int(order_.size()), 0, to, -1, best, 1);
    return best.empty() ? -1 : best.front().second;
}

std::vector<int> PointTree::nearest(Point to, int count, int except) const {
    std::vector<std::pair<double, int>> best;
    best.reserve(count + 1);
    search(0, int(order_.size()), 0, to, except, best, std::size_t(count));
    std::vector<int> ids;
    for (const auto& [d, id] : best) ids.push_back(id);
    return ids;
}

}  // namespace carbonel::vec::detail
