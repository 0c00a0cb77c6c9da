#include "vector/point_tree.h"

#include <algorithm>

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
    : entries_(points.size()), position_(points.size()), left_(points.size()) {
    for (std::size_t i = 0; i < points.size(); ++i) entries_[i] = {points[i], int(i)};
    build(0, int(entries_.size()), 0);
    for (int p = 0; p < int(entries_.size()); ++p) position_[entries_[p].id] = p;
}

// The median of [lo, hi) on `axis` in the middle, the halves on either side below it.
void PointTree::build(int lo, int hi, int axis) {
    if (lo >= hi) return;
    const int mid = lo + (hi - lo) / 2;
    std::nth_element(entries_.begin() + lo, entries_.begin() + mid, entries_.begin() + hi,
                     [axis](const Entry& a, const Entry& b) {
                         const double pa = along(a.point, axis), pb = along(b.point, axis);
                         return pa < pb || (pa == pb && a.id < b.id);
                     });
    left_[mid] = hi - lo;
    build(lo, mid, 1 - axis);
    build(mid + 1, hi, 1 - axis);
}

std::vector<int> PointTree::inTreeOrder() const {
    std::vector<int> ids;
    ids.reserve(entries_.size());
    for (const Entry& entry : entries_) ids.push_back(entry.id < 0 ? ~entry.id : entry.id);
    return ids;
}

void PointTree::remove(int id) {
    const int target = position_[id];
    if (entries_[target].id < 0) return;
    entries_[target].id = ~entries_[target].id;  // out, still findable by remove's descent
    for (int lo = 0, hi = int(entries_.size()); lo < hi;) {
        const int mid = lo + (hi - lo) / 2;
        --left_[mid];
        if (target == mid) break;
        if (target < mid)
            hi = mid;
        else
            lo = mid + 1;
    }
}

// Keeps the `count` nearest found so far in `best`, nearest first.
void PointTree::search(int lo, int hi, int axis, Point to, int except, Found* best, int& found,
                       int count) const {
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (left_[mid] == 0) return;
        const Entry& entry = entries_[mid];
        if (entry.id >= 0 && entry.id != except) {
            const double d = squared(entry.point, to);
            if (found < count || d < best[found - 1].distance) {
                int at = found < count ? found++ : found - 1;
                while (at > 0 && best[at - 1].distance > d) best[at] = best[at - 1], --at;
                best[at] = {d, entry.id};
            }
        }
        const double delta = along(to, axis) - along(entry.point, axis);
        // The near side first; the far side only while it may hold something nearer.
        const int nearLo = delta < 0 ? lo : mid + 1, nearHi = delta < 0 ? mid : hi;
        search(nearLo, nearHi, 1 - axis, to, except, best, found, count);
        if (found == count && delta * delta >= best[found - 1].distance) return;
        lo = delta < 0 ? mid + 1 : lo;
        hi = delta < 0 ? hi : mid;
        axis = 1 - axis;
    }
}

int PointTree::nearest(Point to) const {
    int id = -1;
    nearest(to, 1, -1, &id);
    return id;
}

int PointTree::nearest(Point to, int count, int except, int* ids) const {
    constexpr int kMost = 64;
    Found best[kMost];
    int found = 0;
    search(0, int(entries_.size()), 0, to, except, best, found, std::clamp(count, 0, kMost));
    for (int i = 0; i < found; ++i) ids[i] = best[i].id;
    return found;
}

void PointTree::collect(int lo, int hi, int axis, Point to, double radius,
                        std::vector<int>& ids) const {
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (left_[mid] == 0) return;
        const Entry& entry = entries_[mid];
        if (entry.id >= 0 && squared(entry.point, to) <= radius * radius) ids.push_back(entry.id);
        const double delta = along(to, axis) - along(entry.point, axis);
        if (delta <= radius) collect(lo, mid, 1 - axis, to, radius, ids);
        if (delta < -radius) return;
        lo = mid + 1;
        axis = 1 - axis;
    }
}

void PointTree::within(Point to, double radius, std::vector<int>& ids) const {
    ids.clear();
    collect(0, int(entries_.size()), 0, to, radius, ids);
}

}  // namespace carbonel::vec::detail
