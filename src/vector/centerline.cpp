#include "vector/centerline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

#include "vector/fit.h"
#include "vector/skeleton.h"

namespace carbonel::vec {
namespace {

using detail::Grid;
using detail::kDistanceScale;
using detail::kGrouped;
using detail::kJunction;
using detail::kLine;
using detail::kVisited;

// A branch from a free end to a junction shorter than this many local line widths is a spur:
// thinning leaves them where a thick line ends or bends.
constexpr double kSpurWidths = 2;
// Two junctions closer than the line width are one crossing split by the thinning.
constexpr double kBridgeWidths = 1;
// A junction takes in adjacent junction pixels up to this many pixels across from its first.
constexpr int kJunctionReach = 1;
// Junctions merged into one span no more than this many line widths.
constexpr double kWidestJunction = 2;
// At a junction, two branches are one stroke when they turn by at most this much.
const double kMostTurn = std::cos(std::numbers::pi / 4);
// Branch directions are measured this many line widths from the junction (and at least
// kLeastReach pixels).
constexpr double kReachWidths = 2;
constexpr double kLeastReach = 3;
// Strokes stay within this many pixels of the skeleton when simplified and smoothed.
constexpr double kTolerance = 0.5;
// Pixels of a branch closer to a junction's centre than this many times its width are left out
// of the stroke.
constexpr double kJunctionTrim = 0.75;
// The most pixels either side that the skeleton is smoothed over.
constexpr int kWidestSmoothing = 4;

constexpr std::uint32_t kNone = ~std::uint32_t(0);
// The steps to the neighbours of Grid::neighbours(), across and down.
constexpr int kStepX[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int kStepY[8] = {-1, -1, 0, 1, 1, 1, 0, -1};

struct Node {
    Point centre;
    Point meet;  // where branches that stop here end: on the stroke going through, if any
    float width = 1;
    int pixels = 0;
    std::int16_t left = 0, top = 0, right = 0, bottom = 0;  // the bounds of its junction pixels
    int firstEnd = -1;  // the live edges' ends that meet here, linked through Tracer::nextEnd_
    int degree = 0;
};

// Edge ends are numbered edge * 2 + side: side 0 is where its pixels start.
struct Edge {
    std::uint32_t first = 0, count = 0;  // its skeleton pixels, in Tracer::pixels_
    int node[2] = {-1, -1};              // the junction at either end, -1 at a free end
    float length = 0;                    // from junction centre (or end) to the other
    float width = 0;                     // the line's mean width along it
    bool loop = false;                   // a closed loop without any junction
    bool alive = true;
};

// The node of each junction pixel. Junction pixels are kept in raster order, with where each run
// of kBlock pixels of a row starts among them, so that finding one looks at a few neighbours.
class JunctionNodes {
  public:
    static constexpr std::uint32_t kBlock = 64;

    JunctionNodes() = default;
    JunctionNodes(std::vector<std::uint32_t> pixels, std::uint32_t stride, std::uint32_t rows)
        : stride_(stride),
          blocksPerRow_((stride + kBlock - 1) / kBlock),
          pixels_(std::move(pixels)),
          blockFirst_(std::size_t(rows) * blocksPerRow_ + 1),
          nodes_(pixels_.size()) {
        std::size_t k = 0;
        for (std::size_t block = 0; block < blockFirst_.size(); ++block) {
            while (k < pixels_.size() && blockOf(pixels_[k]) < block) ++k;
            blockFirst_[block] = std::uint32_t(k);
        }
    }
    // `pixel` must be one of the junction pixels.
    int& operator[](std::uint32_t pixel) {
        std::size_t k = blockFirst_[blockOf(pixel)];
        while (pixels_[k] != pixel) ++k;
        return nodes_[k];
    }

  private:
    std::size_t blockOf(std::uint32_t pixel) const {
        const std::uint32_t row = pixel / stride_;
        return std::size_t(row) * blocksPerRow_ + (pixel - row * stride_) / kBlock;
    }

    std::uint32_t stride_ = 1, blocksPerRow_ = 1;
    std::vector<std::uint32_t> pixels_;
    std::vector<std::uint32_t> blockFirst_;
    std::vector<int> nodes_;
};

class Tracer {
  public:
    Tracer(int width, int height, std::span<const std::uint8_t> pixels)
        : grid_(detail::makeGrid(width, height, pixels)),
          distance_(detail::distanceMap(grid_)),
          offsets_(grid_.neighbours()) {
        detail::thin(grid_);
    }

    CenterlineDrawing trace() {
        findEdges();
        // The graph of edges is all that is needed from here on.
        grid_.cells = {};
        distance_ = {};
        pruneSpurs();
        mergeCloseJunctions();
        pruneSpurs();
        pairBranches();
        CenterlineDrawing drawing;
        drawing.lineWidth = medianWidth();
        assemble(drawing.paths);
        return drawing;
    }

  private:
    Point centreOf(std::uint32_t i) const { return {grid_.xOf(i) + 0.5, grid_.yOf(i) + 0.5}; }
    // Whether the step between two neighbouring pixels (the difference of their indices) is
    // diagonal.
    bool diagonal(std::uint32_t step) const {
        return step != 1 && step != std::uint32_t(-1) && step != std::uint32_t(grid_.stride) &&
               step != std::uint32_t(-grid_.stride);
    }
    // The centre of the neighbour of a pixel centred at `from` that lies `step` further on.
    Point stepped(Point from, std::uint32_t step) const {
        const std::int32_t d = std::int32_t(step);
        const int dy = d > 1 ? 1 : d < -1 ? -1 : 0;
        return {from.x + (d - dy * grid_.stride), from.y + dy};
    }
    bool has(std::uint32_t i, std::uint8_t flag) const { return grid_.cells[i] & flag; }

    // The line's width at a skeleton pixel, in 1/kDistanceScale pixel: its distance from the
    // background plus the largest of its neighbours' off the skeleton. On a line of odd width
    // 2k + 1 that is (k + 1) + k; on one of even width 2k, where the skeleton runs beside the
    // middle, k + k.
    int widthAt(std::uint32_t i) const {
        int beside = 0;
        for (std::int32_t o : offsets_)
            if (!has(i + o, kLine)) beside = std::max<int>(beside, distance_[i + o]);
        return distance_[i] + beside;
    }

    void findEdges() {
        std::vector<std::uint32_t> junctions, ends;
        std::size_t skeleton = 0;
        detail::forEachCell(grid_.cells.data(), grid_.firstCell(), grid_.endCell(), kLine,
                            [&](std::uint32_t i) {
                                ++skeleton;
                                const int n = grid_.count(i);
                                if (n >= 3) {
                                    grid_.cells[i] |= kJunction;
                                    junctions.push_back(i);
                                } else if (n == 1) {
                                    ends.push_back(i);
                                } else if (n == 0) {
                                    dots_.push_back(i);
                                    dotWidths_.push_back(std::uint8_t(std::min(255, widthAt(i))));
                                }
                            });

        // Adjacent junction pixels are one junction, at their mean, as far as a few pixels from
        // the first: where a textured patch thins to a mesh of junctions, one junction for all
        // of it would pull its branches together from afar. Junctions that touch are joined by
        // an edge of two pixels that touch (the first such pair of each two junctions).
        nodeOf_ =
            JunctionNodes(junctions, std::uint32_t(grid_.stride), std::uint32_t(grid_.height + 2));
        nodes_.reserve(junctions.size());  // at most; what is not used is not touched
        std::vector<std::uint32_t> cluster, clusterFirst;
        std::vector<std::array<std::uint32_t, 4>> touching;  // node, node, pixel, pixel
        for (std::uint32_t j : junctions) {
            if (has(j, kGrouped)) continue;
            const int id = int(nodes_.size());
            Node& node = nodes_.emplace_back();
            const std::size_t first = cluster.size();
            clusterFirst.push_back(std::uint32_t(first));
            cluster.push_back(j);
            grid_.cells[j] |= kGrouped | kVisited;  // kVisited: in this cluster, for now
            node.left = node.right = std::int16_t(grid_.xOf(j));
            node.top = node.bottom = std::int16_t(grid_.yOf(j));
            const int jx = grid_.xOf(j), jy = grid_.yOf(j);
            for (std::size_t k = first; k < cluster.size(); ++k) {
                const std::uint32_t p = cluster[k];
                const int x = grid_.xOf(p), y = grid_.yOf(p);
                nodeOf_[p] = id;
                node.centre.x += x + 0.5;
                node.centre.y += y + 0.5;
                node.left = std::int16_t(std::min<int>(node.left, x));
                node.right = std::int16_t(std::max<int>(node.right, x));
                node.top = std::int16_t(std::min<int>(node.top, y));
                node.bottom = std::int16_t(std::max<int>(node.bottom, y));
                node.width = std::max(node.width, float(widthAt(p) / kDistanceScale));
                for (int n = 0; n < 8; ++n) {
                    const std::uint32_t q = p + offsets_[n];
                    const std::uint8_t cell = grid_.cells[q];
                    if (!(cell & kJunction) || (cell & kVisited)) continue;
                    if (!(cell & kGrouped) && std::abs(x + kStepX[n] - jx) <= kJunctionReach &&
                        std::abs(y + kStepY[n] - jy) <= kJunctionReach) {
                        grid_.cells[q] |= kGrouped | kVisited;
                        cluster.push_back(q);
                    } else if (cell & kGrouped) {
                        touching.push_back({std::uint32_t(nodeOf_[q]), std::uint32_t(id), q, p});
                    }
                }
            }
            for (std::size_t k = first; k < cluster.size(); ++k)
                grid_.cells[cluster[k]] &= std::uint8_t(~kVisited);
            node.pixels = int(cluster.size() - first);
            node.centre.x /= node.pixels;
            node.centre.y /= node.pixels;
        }
        clusterFirst.push_back(std::uint32_t(cluster.size()));
        std::sort(touching.begin(), touching.end());
        // Every edge but those between touching junctions has a pixel of its own: reserved so,
        // the graph does not grow by doubling.
        edges_.reserve(skeleton + touching.size());
        nextEnd_.reserve(2 * edges_.capacity());
        pixels_.reserve(skeleton + 2 * touching.size());
        widths_.reserve(pixels_.capacity());
        for (std::size_t k = 0; k < touching.size(); ++k) {
            if (k > 0 && touching[k][0] == touching[k - 1][0] &&
                touching[k][1] == touching[k - 1][1])
                continue;
            Edge edge;
            edge.first = std::uint32_t(pixels_.size());
            edge.count = 2;
            edge.node[0] = int(touching[k][0]);
            edge.node[1] = int(touching[k][1]);
            pixels_.push_back(touching[k][2]);
            pixels_.push_back(touching[k][3]);
            add(edge);
        }

        // Branches leave junctions, run between two ends, or close on themselves.
        for (int id = 0; id < int(nodes_.size()); ++id)
            for (std::uint32_t k = clusterFirst[id]; k < clusterFirst[id + 1]; ++k)
                for (std::int32_t o : offsets_)
                    if ((grid_.cells[cluster[k] + o] & (kLine | kJunction | kVisited)) == kLine)
                        follow(id, cluster[k], cluster[k] + o);
        for (std::uint32_t e : ends)
            if (!has(e, kVisited)) follow(-1, kNone, e);
        detail::forEachCell(grid_.cells.data(), grid_.firstCell(), grid_.endCell(), kLine,
                            [&](std::uint32_t i) {
                                if (has(i, kJunction | kVisited) || grid_.count(i) != 2) return;
                                std::uint32_t before = kNone;
                                for (std::int32_t o : offsets_)
                                    if (has(i + o, kLine)) before = i + o;
                                follow(-1, before, i, true);
                            });
        nodeOf_ = {};
    }

    // Walks the skeleton from `from` (a pixel of junction `node`, or the pixel before on a
    // loop, or kNone at an end) through `start` until a junction, an end, or back at `start`.
    void follow(int node, std::uint32_t from, std::uint32_t start, bool loop = false) {
        Edge edge;
        edge.first = std::uint32_t(pixels_.size());
        edge.loop = loop;
        edge.node[0] = node;
        std::uint32_t before = from, at = start;
        while (true) {
            grid_.cells[at] |= kVisited;
            pixels_.push_back(at);
            // A branch pixel has two skeleton neighbours: the one before and the way on.
            std::uint32_t next = kNone;
            for (std::int32_t o : offsets_) {
                const std::uint32_t n = at + o;
                if (n == before || !has(n, kLine)) continue;
                if (has(n, kJunction)) {
                    edge.node[1] = nodeOf_[n];
                    break;
                }
                if (!has(n, kVisited)) next = n;
            }
            if (edge.node[1] >= 0 || next == kNone) break;
            before = at;
            at = next;
        }
        edge.count = std::uint32_t(pixels_.size()) - edge.first;
        add(edge);
    }

    // Adds an edge whose pixels were just added, measuring its length.
    void add(Edge edge) {
        double widths = 0, length = 0;
        const std::uint32_t* pixel = pixels_.data() + edge.first;
        for (std::uint32_t k = 0; k < edge.count; ++k) {
            // Neighbours in a row or column are a pixel apart, diagonal ones sqrt(2).
            if (k > 0) length += diagonal(pixel[k] - pixel[k - 1]) ? std::numbers::sqrt2 : 1;
            widths_.push_back(std::uint8_t(std::min(255, widthAt(pixel[k]))));
            widths += widths_.back();
        }
        edge.width = float(widths / kDistanceScale / edge.count);
        if (edge.node[0] >= 0) length += distance(nodes_[edge.node[0]].centre, centreOf(pixel[0]));
        if (edge.node[1] >= 0)
            length += distance(nodes_[edge.node[1]].centre, centreOf(pixel[edge.count - 1]));
        edge.length = float(length);
        const int id = int(edges_.size());
        edges_.push_back(edge);
        nextEnd_.push_back(-1);
        nextEnd_.push_back(-1);
        for (int side = 0; side < 2; ++side)
            if (edge.node[side] >= 0) link(edge.node[side], id * 2 + side);
    }

    int degree(int node) const { return nodes_[node].degree; }
    int nodeOf(int end) const { return edges_[end / 2].node[end % 2]; }

    void link(int node, int end) {
        nextEnd_[end] = nodes_[node].firstEnd;
        nodes_[node].firstEnd = end;
        ++nodes_[node].degree;
    }

    // The ends that meet at `node`, into `ends`.
    void endsAt(int node, std::vector<int>& ends) const {
        ends.clear();
        for (int end = nodes_[node].firstEnd; end >= 0; end = nextEnd_[end]) ends.push_back(end);
    }

    void kill(int e) {
        edges_[e].alive = false;
        for (int side = 0; side < 2; ++side) {
            const int node = edges_[e].node[side];
            if (node < 0) continue;
            int* at = &nodes_[node].firstEnd;
            while (*at != e * 2 + side) at = &nextEnd_[*at];
            *at = nextEnd_[*at];
            --nodes_[node].degree;
        }
    }

    // The edges from junction end `end` out to a free end, through junctions left with two
    // branches, when that is shorter than `reach`, appended to `chain`; false otherwise.
    bool spur(int end, double reach, double& length, std::vector<int>& chain) const {
        const std::size_t first = chain.size();
        const int home = nodeOf(end);
        length = 0;
        for (int e = end / 2, side = end % 2; chain.size() - first < edges_.size();) {
            chain.push_back(e);
            length += edges_[e].length;
            const int there = edges_[e].node[1 - side];
            if (length < reach && (there < 0 || degree(there) == 1)) return true;
            if (length >= reach || there == home || degree(there) != 2) break;
            const int onward = nodes_[there].firstEnd == e * 2 + 1 - side
                                   ? nextEnd_[nodes_[there].firstEnd]
                                   : nodes_[there].firstEnd;
            if (onward / 2 == e) break;  // a loop
            e = onward / 2;
            side = onward % 2;
        }
        chain.resize(first);
        return false;
    }

    // The junction at the far end of the branch that leaves at `end`, past junctions of two
    // branches; -1 at a free end or round a loop.
    int junctionBeyond(int end) const {
        const int home = nodeOf(end);
        for (std::size_t steps = 0; steps < edges_.size(); ++steps) {
            const int there = edges_[end / 2].node[1 - end % 2];
            if (there == home) return -1;
            if (there < 0 || degree(there) != 2) return there;
            const int in = end ^ 1;
            end = nodes_[there].firstEnd == in ? nextEnd_[in] : nodes_[there].firstEnd;
        }
        return -1;
    }

    // Cuts spurs at every junction until none is left. Where only spurs meet (a small blob), the
    // two longest stay as its stroke. A junction is looked at again when a cut changes the
    // branches of one next to it.
    void pruneSpurs() {
        std::vector<int> work, ends, chains;
        std::vector<char> waiting(nodes_.size(), 1);
        for (int n = int(nodes_.size()) - 1; n >= 0; --n) work.push_back(n);
        struct Spur {
            double length;
            std::size_t first, last;  // in `chains`
        };
        std::vector<Spur> spurs;
        while (!work.empty()) {
            const int n = work.back();
            work.pop_back();
            waiting[n] = 0;
            if (degree(n) < 3) continue;
            const double reach = kSpurWidths * nodes_[n].width;
            spurs.clear();
            chains.clear();
            int others = 0;
            endsAt(n, ends);
            for (int end : ends) {
                const Edge& edge = edges_[end / 2];
                double length = 0;
                const std::size_t first = chains.size();
                if (edge.node[0] == edge.node[1] && edge.length < reach) {
                    if (end % 2 == 0) chains.push_back(end / 2);  // a pinhole's loop, once
                } else if (!spur(end, reach, length, chains)) {
                    ++others;
                }
                if (chains.size() > first) spurs.push_back({length, first, chains.size()});
            }
            if (spurs.empty()) continue;
            std::stable_sort(spurs.begin(), spurs.end(),
                             [](const Spur& a, const Spur& b) { return a.length > b.length; });
            const std::size_t kept = others > 0 ? 0 : std::min<std::size_t>(2, spurs.size());
            if (kept == spurs.size()) continue;
            for (std::size_t s = kept; s < spurs.size(); ++s)
                for (std::size_t k = spurs[s].first; k < spurs[s].last; ++k)
                    if (edges_[chains[k]].alive) kill(chains[k]);
            endsAt(n, ends);
            for (int end : ends)
                if (const int j = junctionBeyond(end); j >= 0 && !waiting[j])
                    waiting[j] = 1, work.push_back(j);
        }
    }

    // Thinning splits a crossing of thick lines into two junctions joined by a short branch:
    // they become one junction, so that the lines can be followed straight through it.
    void mergeCloseJunctions() {
        for (int e = 0; e < int(edges_.size()); ++e) {
            const Edge& edge = edges_[e];
            const int a = edge.node[0], b = edge.node[1];
            if (!edge.alive || a < 0 || b < 0 || a == b || degree(a) < 3 || degree(b) < 3) continue;
            Node &into = nodes_[a], &from = nodes_[b];
            const double width = std::max(into.width, from.width);
            // Not a chain of junctions, as in a tangle: that would be one junction far from
            // its branches.
            const int across =
                std::max(std::max(into.right, from.right) - std::min(into.left, from.left),
                         std::max(into.bottom, from.bottom) - std::min(into.top, from.top));
            if (edge.length >= kBridgeWidths * width || across > kWidestJunction * width) continue;
            kill(e);
            into.left = std::min(into.left, from.left);
            into.right = std::max(into.right, from.right);
            into.top = std::min(into.top, from.top);
            into.bottom = std::max(into.bottom, from.bottom);
            const double total = into.pixels + from.pixels;
            into.centre = {(into.centre.x * into.pixels + from.centre.x * from.pixels) / total,
                           (into.centre.y * into.pixels + from.centre.y * from.pixels) / total};
            into.pixels += from.pixels;
            into.width = std::max(into.width, from.width);
            while (from.firstEnd >= 0) {
                const int end = from.firstEnd;
                from.firstEnd = nextEnd_[end];
                --from.degree;
                edges_[end / 2].node[end % 2] = a;
                link(a, end);
            }
        }
    }

    // A point on the branch of `end` about kReachWidths line widths from its junction, past
    // the distortion thinning leaves near it (or the branch's far end, if shorter).
    Point reach(int end) const {
        const Edge& edge = edges_[end / 2];
        const Node& node = nodes_[nodeOf(end)];
        const double reach = std::max(kLeastReach, kReachWidths * node.width);
        Point far = node.centre;
        for (std::uint32_t k = 0; k < edge.count; ++k) {
            far = centreOf(pixels_[edge.first + (end % 2 == 0 ? k : edge.count - 1 - k)]);
            if (distance(far, node.centre) >= reach) break;
        }
        return far;
    }

    static Point nearestOnLine(Point p, Point a, Point b) {
        const double dx = b.x - a.x, dy = b.y - a.y, span = dx * dx + dy * dy;
        const double t = span > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / span : 0;
        return {a.x + t * dx, a.y + t * dy};
    }

    // At each junction, the branches that continue each other straightest, within kMostTurn,
    // go on as one stroke, the straightest pair first; a junction left with two branches joins
    // them whatever their angle. Branches left over end on the straightest stroke through.
    void pairBranches() {
        partner_.assign(edges_.size() * 2, -1);
        std::vector<int> ends;
        std::vector<Point> far, directions;
        std::vector<std::pair<double, std::pair<int, int>>> pairs;
        for (int n = 0; n < int(nodes_.size()); ++n) {
            Node& node = nodes_[n];
            node.meet = node.centre;
            endsAt(n, ends);
            if (ends.size() == 2) {
                partner_[ends[0]] = ends[1];
                partner_[ends[1]] = ends[0];
                continue;
            }
            if (ends.size() < 3) continue;
            far.clear();
            directions.clear();
            for (int end : ends) {
                far.push_back(reach(end));
                const double d = distance(far.back(), node.centre);
                directions.push_back(d > 0 ? Point{(far.back().x - node.centre.x) / d,
                                                   (far.back().y - node.centre.y) / d}
                                           : Point{});
            }
            pairs.clear();
            for (int i = 0; i < int(ends.size()); ++i)
                for (int j = i + 1; j < int(ends.size()); ++j) {
                    const double straight =
                        -(directions[i].x * directions[j].x + directions[i].y * directions[j].y);
                    if (straight >= kMostTurn) pairs.push_back({straight, {i, j}});
                }
            std::stable_sort(pairs.begin(), pairs.end(),
                             [](const auto& a, const auto& b) { return a.first > b.first; });
            for (const auto& [straight, pair] : pairs) {
                const int a = ends[pair.first], b = ends[pair.second];
                if (partner_[a] >= 0 || partner_[b] >= 0) continue;
                if (node.meet == node.centre)  // the straightest pair
                    node.meet = nearestOnLine(node.centre, far[pair.first], far[pair.second]);
                partner_[a] = b;
                partner_[b] = a;
            }
        }
    }

    double medianWidth() const {
        std::array<std::uint64_t, 256> counts{};
        std::uint64_t total = 0;
        for (const Edge& edge : edges_)
            if (edge.alive)
                for (std::uint32_t k = 0; k < edge.count; ++k) ++counts[widths_[edge.first + k]];
        for (std::uint8_t width : dotWidths_) ++counts[width];
        for (std::uint64_t count : counts) total += count;
        if (total == 0) return 0;
        std::uint64_t seen = 0;
        std::size_t bin = 0;
        while ((seen += counts[bin]) * 2 < total) ++bin;
        return bin / kDistanceScale;
    }

    // Appends the pixels of the edge of `end`, from that end on, leaving out those within the
    // junctions at either end, where thinning bends branches towards the junction's centre.
    // Adds the edge's width times its pixels to `widths`, its pixels to `counted`.
    void appendBranch(int end, std::vector<Point>& points, double& widths, double& counted) const {
        widths += double(edges_[end / 2].width) * edges_[end / 2].count;
        counted += edges_[end / 2].count;
        const Edge& edge = edges_[end / 2];
        const auto pixel = [&](std::uint32_t k) {
            return pixels_[edge.first + (end % 2 == 0 ? k : edge.count - 1 - k)];
        };
        const auto inside = [&](int node, std::uint32_t k) {
            return node >= 0 && distance(centreOf(pixel(k)), nodes_[node].centre) <
                                    kJunctionTrim * nodes_[node].width;
        };
        std::uint32_t first = 0, last = edge.count;
        while (first < last && inside(edge.node[end % 2], first)) ++first;
        while (last > first && inside(edge.node[1 - end % 2], last - 1)) --last;
        if (first == last) first = edge.count / 2, last = first + 1;
        Point at = centreOf(pixel(first));
        points.push_back(at);
        for (std::uint32_t k = first + 1; k < last; ++k)
            points.push_back(at = stepped(at, pixel(k) - pixel(k - 1)));
    }

    void assemble(std::vector<Path>& paths) {
        std::vector<char> done(edges_.size(), 0);
        std::vector<Point> points;
        detail::PathFitter fitter;
        double widths = 0, counted = 0;
        // From `end` (edge * 2 + side) on, through the junctions where its branches pair.
        const auto walk = [&](int end) {
            points.clear();
            widths = counted = 0;
            if (const int n = edges_[end / 2].node[end % 2]; n >= 0 && partner_[end] < 0)
                points.push_back(nodes_[n].meet);
            while (true) {
                const Edge& edge = edges_[end / 2];
                done[end / 2] = 1;
                appendBranch(end, points, widths, counted);
                const int out = (end ^ 1), n = edge.node[out % 2];
                if (n < 0) return;
                // A stroke that stops at a junction ends on the stroke through it; one that
                // turns the corner of a junction of two branches goes by its centre.
                if (partner_[out] < 0) {
                    points.push_back(nodes_[n].meet);
                    return;
                }
                if (degree(n) == 2) points.push_back(nodes_[n].centre);
                if (done[partner_[out] / 2]) return;
                end = partner_[out];
            }
        };
        // Staircases and wobbles of the skeleton are evened out over about half the line's
        // width either side: thick lines wobble more.
        const auto fit = [&](bool closed) {
            const double width = widths / std::max(1.0, counted);
            paths.push_back(fitter.fit(
                points, closed, std::clamp(int(width / 2 + 0.5), 1, kWidestSmoothing), kTolerance));
        };
        for (int e = 0; e < int(edges_.size()); ++e)
            for (int side = 0; side < 2; ++side) {
                const int end = e * 2 + side;
                if (!edges_[e].alive || done[e] || edges_[e].loop ||
                    (edges_[e].node[side] >= 0 && partner_[end] >= 0))
                    continue;
                walk(end);
                fit(false);
            }
        // What is left goes round: a loop without junctions, or branches paired all the way.
        for (int e = 0; e < int(edges_.size()); ++e) {
            if (!edges_[e].alive || done[e]) continue;
            walk(e * 2);
            points.push_back(points.front());
            fit(true);
        }
        for (std::uint32_t dot : dots_) {
            points.assign(1, centreOf(dot));
            paths.push_back(fitter.fit(points, false, 0, kTolerance));
        }
    }

    Grid grid_;
    std::vector<std::uint8_t> distance_;
    std::array<std::int32_t, 8> offsets_;
    JunctionNodes nodeOf_;               // while the edges are found
    std::vector<std::uint32_t> pixels_;  // the edges' skeleton pixels, edge after edge
    std::vector<std::uint8_t> widths_;   // the line's width at each, as widthAt (at most 255)
    std::vector<std::uint32_t> dots_;
    std::vector<std::uint8_t> dotWidths_;
    std::vector<Edge> edges_;
    std::vector<Node> nodes_;
    std::vector<int> nextEnd_;  // per edge end: the next end at the same node, or -1
    std::vector<int> partner_;  // per edge end: the end it goes on into, -1 where it stops
};

}  // namespace

CenterlineDrawing traceCenterlines(int width, int height, std::span<const std::uint8_t> pixels) {
    return Tracer(width, height, pixels).trace();
}

}  // namespace carbonel::vec
