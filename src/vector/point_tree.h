#pragma once

// Nearest-point queries over a fixed set of points from which points can be taken out, for
// ordering paths. Internal to the vector layer.

#include <span>
#include <utility>
#include <vector>

#include "vector/path.h"

namespace carbonel::vec::detail {

// A balanced 2-d tree kept in one array, counting the points left below each entry so that
// searches skip emptied parts: a query costs about log n however many points were taken out.
class PointTree {
  public:
    explicit PointTree(std::span<const Point> points);

    // The point nearest `to` that is still in, -1 when none is; ties go to the one found first,
    // which depends on the points alone.
    int nearest(Point to) const;
    // Up to `count` points nearest `to` that are still in, nearest first, leaving out `except`.
    std::vector<int> nearest(Point to, int count, int except) const;
    // Takes point `id` out.
    void remove(int id);

  private:
    void build(int lo, int hi, int axis);
    void search(int lo, int hi, int axis, Point to, int except,
                std::vector<std::pair<double, int>>& best, std::size_t count) const;

    std::vector<Point> points_;
    std::vector<int> order_;     // tree position to point
    std::vector<int> position_;  // point to tree position
    std::vector<int> left_;      // per tree position: points still in its subtree
    std::vector<char> in_;       // per tree position
};

}  // namespace carbonel::vec::detail
