#pragma once

// Nearest-point queries over a fixed set of points from which points can be taken out, for
// ordering and joining paths. Internal to the vector layer.

#include <span>
#include <utility>
#include <vector>

#include "vector/path.h"

namespace carbonel::vec::detail {

// A balanced 2-d tree kept in one array, counting the points left below each entry so that
// searches skip emptied parts: a query costs about log n however many points were taken out.
// Results depend on the points alone (ties go to the point met first).
class PointTree {
  public:
    explicit PointTree(std::span<const Point> points);

    // The point nearest `to` that is still in, -1 when none is.
    int nearest(Point to) const;
    // Up to `count` points nearest `to` that are still in, nearest first, leaving out `except`,
    // into `ids`; returns how many.
    int nearest(Point to, int count, int except, int* ids) const;
    // The points still in within `radius` of `to`, into `ids` (in no particular order, but
    // always the same).
    void within(Point to, double radius, std::vector<int>& ids) const;
    // The points in the tree's own order, where near points come near each other: queries made
    // in this order find their way in memory already read.
    std::vector<int> inTreeOrder() const;
    // Takes point `id` out.
    void remove(int id);

  private:
    struct Entry {
        Point point;
        int id;
    };
    struct Found {
        double distance;  // squared
        int id;
    };

    void build(int lo, int hi, int axis);
    void search(int lo, int hi, int axis, Point to, int except, Found* best, int& found,
                int count) const;
    void collect(int lo, int hi, int axis, Point to, double radius, std::vector<int>& ids) const;

    std::vector<Entry> entries_;  // in tree order: each range's median in its middle
    std::vector<int> position_;   // point to tree position
    std::vector<int> left_;       // per tree position: points still in its subtree
};

}  // namespace carbonel::vec::detail
