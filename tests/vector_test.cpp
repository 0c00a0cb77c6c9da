// Centreline tracing and path order, on pictures of lines whose exact geometry is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "vector/centerline.h"
#include "vector/path_order.h"
#include "vector/wide_lines.h"

namespace carbonel::vec {
namespace {

using Polyline = std::vector<Point>;

Polyline segment(Point a, Point b) {
    Polyline line;
    const int steps = int(std::ceil(distance(a, b)));
    for (int i = 0; i <= steps; ++i)
        line.push_back({a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps});
    return line;
}

Polyline arc(Point centre, double radius, double from, double to) {
    Polyline line;
    const int steps = int(std::ceil(radius * (to - from)));
    for (int i = 0; i <= steps; ++i) {
        const double t = from + (to - from) * i / steps;
        line.push_back({centre.x + radius * std::cos(t), centre.y + radius * std::sin(t)});
    }
    return line;
}

Polyline sine(double x0, double x1, double y, double amplitude, double wavelength) {
    Polyline line;
    for (double x = x0; x <= x1; x += 0.5)
        line.push_back({x, y + amplitude * std::sin(2 * std::numbers::pi * x / wavelength)});
    return line;
}

double distanceTo(Point p, const Polyline& line) {
    double best = INFINITY;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const Point a = line[i], b = line[i + 1];
        const double dx = b.x - a.x, dy = b.y - a.y, span = dx * dx + dy * dy;
        const double t =
            span > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / span, 0.0, 1.0) : 0;
        best = std::min(best, distance(p, {a.x + t * dx, a.y + t * dy}));
    }
    return line.size() == 1 ? distance(p, line[0]) : best;
}

double distanceTo(Point p, const std::vector<Polyline>& lines) {
    double best = INFINITY;
    for (const Polyline& line : lines) best = std::min(best, distanceTo(p, line));
    return best;
}

struct Picture {
    int width, height;
    std::vector<std::uint8_t> pixels;
};

// The pixels whose centres lie within half the width of a line: the lines drawn with round ends.
Picture draw(int width, int height, const std::vector<Polyline>& lines, double lineWidth) {
    Picture picture{width, height, std::vector<std::uint8_t>(std::size_t(width) * height, 0)};
    for (const Polyline& line : lines)
        for (std::size_t k = 0; k < line.size(); ++k)
            for (double t = 0; t < 1 || k + 1 == line.size(); t += 0.25) {
                const Point a = line[k], b = k + 1 < line.size() ? line[k + 1] : a;
                const Point p{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
                for (int y = int(p.y - lineWidth); y <= int(p.y + lineWidth); ++y)
                    for (int x = int(p.x - lineWidth); x <= int(p.x + lineWidth); ++x)
                        if (x >= 0 && y >= 0 && x < width && y < height &&
                            distance({x + 0.5, y + 0.5}, p) <= lineWidth / 2 + 0.1)
                            picture.pixels[std::size_t(y) * width + x] = 1;
                if (k + 1 == line.size()) break;
            }
    // The 0.1 above joins up the sampled discs; take out what lies past the line itself.
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        if (picture.pixels[i] &&
            distanceTo({i % width + 0.5, double(i / width) + 0.5}, lines) > lineWidth / 2)
            picture.pixels[i] = 0;
    return picture;
}

CenterlineDrawing trace(const Picture& picture) {
    return traceCenterlines(picture.width, picture.height, picture.pixels);
}

const std::vector<Polyline> kCross{segment({30, 40}, {170, 120}), segment({60, 150}, {140, 20})};
const std::vector<Polyline> kTee{segment({20, 30.6}, {180, 30.6}),
                                 segment({100.3, 30.6}, {100.3, 150})};

std::vector<Polyline> knownLines() {
    std::vector<Polyline> lines{
        segment({20, 30.3}, {250, 30.3}), segment({20, 60}, {240, 170}),
        arc({130, 300}, 90, std::numbers::pi + 0.3, 2 * std::numbers::pi - 0.3),
        sine(20, 250, 380, 15, 120)};
    for (const auto& shape : {kCross, kTee})
        for (Polyline line : shape) {
            for (Point& p : line) p.x += 270, p.y += shape == kCross ? 200 : 0;
            lines.push_back(line);
        }
    return lines;
}

// The fraction of `points` within `reach` of `lines`.
double within(const std::vector<Point>& points, const std::vector<Polyline>& lines, double reach) {
    const auto near = std::count_if(points.begin(), points.end(),
                                    [&](Point p) { return distanceTo(p, lines) <= reach; });
    return double(near) / points.size();
}

TEST(Centerline, FollowsKnownLinesOfEveryWidth) {
    const std::vector<Polyline> lines = knownLines();
    for (double lineWidth : {2.0, 3.0, 4.0, 6.0}) {
        SCOPED_TRACE(lineWidth);
        const CenterlineDrawing drawing = trace(draw(520, 420, lines, lineWidth));
        std::vector<Polyline> traced;
        for (const Path& path : drawing.paths) {
            const std::vector<Point> samples = samplePoints(path, 0.5);
            EXPECT_GE(within(samples, lines, 1), 0.95);
            EXPECT_GE(length(path), 2 * lineWidth) << "a spur";
            traced.push_back(samples);
        }
        for (const Polyline& line : lines) EXPECT_GE(within(line, traced, 1), 0.95);
        EXPECT_LE(drawing.paths.size(), 1.5 * lines.size());
        EXPECT_NEAR(drawing.lineWidth, lineWidth, 1);
    }
}

TEST(Centerline, GoesStraightThroughCrossingsAndJunctions) {
    for (double lineWidth : {2.0, 3.0, 4.0, 6.0})
        for (const auto& shape : {kCross, kTee}) {
            SCOPED_TRACE(lineWidth);
            const CenterlineDrawing drawing = trace(draw(200, 170, shape, lineWidth));
            ASSERT_EQ(drawing.paths.size(), 2u);
            // Each stroke follows one line from end to end.
            for (const Path& path : drawing.paths) {
                const std::vector<Point> samples = samplePoints(path, 0.5);
                const bool first = within(samples, {shape[0]}, 1.5) >= 0.95;
                const bool second = within(samples, {shape[1]}, 1.5) >= 0.95;
                EXPECT_NE(first, second);
                EXPECT_GE(within(first ? shape[0] : shape[1], {samples}, 1.5), 0.95);
            }
        }
}

TEST(Centerline, EmptyPicturesDotsAndLoops) {
    EXPECT_TRUE(trace({40, 30, std::vector<std::uint8_t>(1200, 0)}).paths.empty());
    EXPECT_EQ(trace({40, 30, std::vector<std::uint8_t>(1200, 0)}).lineWidth, 0);
    EXPECT_TRUE(trace({0, 0, {}}).paths.empty());
    EXPECT_THROW(traceCenterlines(4, 4, std::vector<std::uint8_t>(15, 0)), std::invalid_argument);

    // A dot, and a blob whose skeleton is one pixel, are each a path of (nearly) no length.
    for (double size : {1.0, 3.0}) {
        const CenterlineDrawing dot = trace(draw(20, 20, {{{10.5, 10.5}}}, size));
        ASSERT_EQ(dot.paths.size(), 1u);
        EXPECT_LE(length(dot.paths[0]), 1.5);
        EXPECT_LE(distance(dot.paths[0].start, {10.5, 10.5}), 1);
    }

    // A ring is one closed path.
    const CenterlineDrawing ring = trace(draw(100, 100, {arc({50, 50}, 30, 0, 7)}, 3));
    ASSERT_EQ(ring.paths.size(), 1u);
    EXPECT_TRUE(ring.paths[0].closed);
    EXPECT_EQ(ring.paths[0].end(), ring.paths[0].start);
    EXPECT_NEAR(length(ring.paths[0]), 2 * std::numbers::pi * 30, 3);
    // Smoothed into a few curves, not a polygon of pixel steps.
    const auto& pieces = ring.paths[0].segments;
    EXPECT_LE(pieces.size(), 24u);
    EXPECT_GE(
        std::count_if(pieces.begin(), pieces.end(), [](const Segment& s) { return s.curved; }),
        std::ptrdiff_t(pieces.size() / 2));
}

Picture filled(int width, int height, const std::function<bool(int x, int y)>& line) {
    Picture picture{width, height, std::vector<std::uint8_t>(std::size_t(width) * height, 0)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.pixels[std::size_t(y) * width + x] = line(x, y);
    return picture;
}

TEST(Centerline, ThinsBlocksToTheirMiddles) {
    // A bar with square ends: the forks thinning leaves at its corners are cut off.
    const auto bar = [](int x, int y) { return x >= 20 && x < 80 && y >= 22 && y < 38; };
    CenterlineDrawing drawing = trace(filled(100, 100, bar));
    ASSERT_EQ(drawing.paths.size(), 1u);
    EXPECT_GE(within(samplePoints(drawing.paths[0], 0.5), {segment({20, 30}, {80, 30})}, 1), 0.95);
    EXPECT_NEAR(length(drawing.paths[0]), 44, 6);
    EXPECT_NEAR(drawing.lineWidth, 16, 1);

    // Its corner with another bar is one stroke round the bend; a whole picture of ink is one.
    drawing = trace(filled(100, 100, [&](int x, int y) {
        return bar(x, y) || (x >= 64 && x < 80 && y < 90 && y >= 22);
    }));
    EXPECT_EQ(drawing.paths.size(), 1u);
    EXPECT_EQ(trace(filled(60, 40, [](int, int) { return true; })).paths.size(), 1u);

    // Three branches at equal angles continue none of each other: three strokes.
    std::vector<Polyline> star;
    for (double angle : {90.0, 210.0, 330.0})
        star.push_back(segment({100, 100}, {100 + 70 * std::cos(angle * std::numbers::pi / 180),
                                            100 - 70 * std::sin(angle * std::numbers::pi / 180)}));
    EXPECT_EQ(trace(draw(200, 200, star, 5)).paths.size(), 3u);

    // A line along the picture's edge.
    drawing = trace(filled(60, 20, [](int x, int y) { return y == 0 && x >= 5 && x <= 50; }));
    ASSERT_EQ(drawing.paths.size(), 1u);
    EXPECT_NEAR(length(drawing.paths[0]), 45, 1);
    EXPECT_EQ(drawing.paths[0].start.y, 0.5);
}

// A line much wider than the pen is filled by strokes side by side, all on its ink; a line the
// pen's own width gets none.
TEST(Centerline, WideLinesGetStrokesBesideTheirMiddles) {
    const std::vector<Polyline> lines = knownLines();
    const Picture wide = draw(520, 420, lines, 12);
    std::vector<Path> paths = trace(wide).paths;
    const std::vector<Path> beside =
        strokesBesideWideLines(wide.width, wide.height, wide.pixels, paths, 2);
    ASSERT_FALSE(beside.empty());
    paths.insert(paths.end(), beside.begin(), beside.end());
    std::vector<Point> drawn;
    for (const Path& path : paths) {
        const std::vector<Point> samples = samplePoints(path, 0.5);
        EXPECT_GE(within(samples, lines, 6), 0.99);
        drawn.insert(drawn.end(), samples.begin(), samples.end());
    }
    for (const Path& path : beside) EXPECT_GE(length(path), 4);
    // Nearly every ink pixel is within a pixel of a 2-pixel pen's edge.
    std::size_t ink = 0, covered = 0;
    for (int y = 0; y < wide.height; ++y)
        for (int x = 0; x < wide.width; ++x) {
            if (!wide.pixels[std::size_t(y) * wide.width + x]) continue;
            ++ink;
            covered += std::any_of(drawn.begin(), drawn.end(), [&](Point p) {
                return distance(p, {x + 0.5, y + 0.5}) <= 2;
            });
        }
    EXPECT_GE(double(covered) / double(ink), 0.97);

    const Picture thin = draw(520, 420, lines, 3);
    EXPECT_TRUE(
        strokesBesideWideLines(thin.width, thin.height, thin.pixels, trace(thin).paths, 3).empty());
    EXPECT_THROW(strokesBesideWideLines(4, 4, thin.pixels, {}, 2), std::invalid_argument);
}

TEST(Centerline, StaysOnTheInkOfNoise) {
    // A mesh of junctions, as thinning a textured patch gives: strokes run over the ink, and
    // every pixel is near one.
    std::mt19937 random(5);
    const Picture noise = filled(160, 120, [&](int, int) { return random() % 5 < 3; });
    const auto onInk = [&](Point p) {
        for (int y = int(p.y) - 1; y <= int(p.y) + 1; ++y)
            for (int x = int(p.x) - 1; x <= int(p.x) + 1; ++x)
                if (x >= 0 && y >= 0 && x < 160 && y < 120 && noise.pixels[y * 160 + x] &&
                    distance(p, {x + 0.5, y + 0.5}) <= 1)
                    return true;
        return false;
    };
    std::size_t samples = 0, inked = 0;
    std::vector<char> near(noise.pixels.size(), 0);  // within 3 pixels of a stroke
    for (const Path& path : trace(noise).paths)
        for (const Point p : samplePoints(path, 0.5)) {
            ++samples;
            inked += onInk(p);
            for (int y = std::max(0, int(p.y) - 3); y <= std::min(119, int(p.y) + 3); ++y)
                for (int x = std::max(0, int(p.x) - 3); x <= std::min(159, int(p.x) + 3); ++x)
                    near[y * 160 + x] |= distance(p, {x + 0.5, y + 0.5}) <= 3;
        }
    EXPECT_GE(double(inked) / samples, 0.97);
    std::size_t ink = 0, reached = 0;
    for (std::size_t i = 0; i < near.size(); ++i)
        ink += noise.pixels[i], reached += noise.pixels[i] && near[i];
    EXPECT_GE(double(reached) / ink, 0.95);
}

TEST(Paths, MeasureSampleAndTurnRound) {
    // A quarter circle of radius 10 as one cubic (control points 0.5523 of the radius out).
    const double k = 10 * 0.5523;
    const Path arcPath{
        {10, 0}, {{{10, k}, {k, 10}, {0, 10}, true}, {{}, {}, {0, 20}, false}}, false};
    EXPECT_NEAR(length(arcPath), std::numbers::pi * 5 + 10, 0.02);
    const std::vector<Point> samples = samplePoints(arcPath, 0.5);
    EXPECT_EQ(samples.front(), arcPath.start);
    EXPECT_EQ(samples.back(), arcPath.end());
    for (std::size_t i = 1; i < samples.size(); ++i) {
        EXPECT_LE(distance(samples[i - 1], samples[i]), 0.5);
        if (samples[i].y < 10) {
            EXPECT_NEAR(distance(samples[i], {0, 0}), 10, 0.03);
        }
    }
    const Path back = reversed(arcPath);
    EXPECT_EQ(back.start, Point(0, 20));
    EXPECT_EQ(back.end(), arcPath.start);
    EXPECT_DOUBLE_EQ(length(back), length(arcPath));
    EXPECT_TRUE(orderPaths({}).empty());
    EXPECT_TRUE(mergeTouchingPaths({}).empty());
}

// Plain nearest-endpoint order: what orderPaths must be at least about as good as.
double greedyPenUp(std::vector<Path> paths) {
    double total = 0;
    Point at{};
    while (!paths.empty()) {
        std::size_t best = 0;
        double nearest = INFINITY;
        Point next;
        for (std::size_t i = 0; i < paths.size(); ++i)
            for (const auto& [from, to] : {std::pair(paths[i].start, paths[i].end()),
                                           std::pair(paths[i].end(), paths[i].start)})
                if (distance(at, from) < nearest) nearest = distance(at, from), best = i, next = to;
        total += nearest;
        at = next;
        paths.erase(paths.begin() + std::ptrdiff_t(best));
    }
    return total;
}

Path line(Point a, Point b) {
    return {a, {{{}, {}, b, false}}, false};
}

std::vector<Path> randomSegments(int count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> across(0, 1000), step(-20, 20);
    std::vector<Path> paths;
    for (int i = 0; i < count; ++i) {
        const Point a{across(random), across(random)};
        paths.push_back(line(a, {a.x + step(random), a.y + step(random)}));
    }
    return paths;
}

TEST(PathOrder, CutsPenUpTravelAndIsRepeatable) {
    std::vector<Path> traced = trace(draw(520, 420, knownLines(), 3)).paths;
    std::shuffle(traced.begin(), traced.end(), std::mt19937(7));
    for (const std::vector<Path>& paths : {randomSegments(3000, 1), traced}) {
        const std::vector<Path> ordered = orderPaths(paths);
        EXPECT_LE(penUpLength(ordered), 1.1 * greedyPenUp(paths));
        EXPECT_LE(penUpLength(ordered), 0.5 * penUpLength(paths));
        EXPECT_EQ(orderPaths(paths), ordered);
        // Reversing runs only ever shortens the nearest-first order.
        EXPECT_LE(penUpLength(ordered), penUpLength(orderPaths(paths, 0)));
        // The same strokes, each drawn one way or the other.
        const PathStats before = pathStats(paths), after = pathStats(ordered);
        EXPECT_EQ(after.paths, before.paths);
        EXPECT_EQ(after.penLifts, before.penLifts);
        EXPECT_NEAR(after.drawnLength, before.drawnLength, 1e-6 * before.drawnLength);
        std::vector<char> used(paths.size(), 0);
        for (const Path& path : ordered) {
            std::size_t i = 0;
            while (i < paths.size() &&
                   (used[i] || (paths[i] != path && reversed(paths[i]) != path)))
                ++i;
            ASSERT_LT(i, paths.size());
            used[i] = 1;
        }
    }
    // Without improvement the order is exactly nearest-first; improving it shortens it.
    const std::vector<Path> random = randomSegments(3000, 2);
    EXPECT_NEAR(penUpLength(orderPaths(random, 0)), greedyPenUp(random), 1e-6);
    EXPECT_LT(penUpLength(orderPaths(random)), 0.9 * penUpLength(orderPaths(random, 0)));

    // Closed paths keep their start and direction.
    const Path square{{10, 10},
                      {{{}, {}, {20, 10}, false},
                       {{}, {}, {20, 20}, false},
                       {{}, {}, {10, 20}, false},
                       {{}, {}, {10, 10}, false}},
                      true};
    const std::vector<Path> ordered = orderPaths({line({30, 30}, {21, 21}), square});
    EXPECT_EQ(ordered[0], square);
    EXPECT_EQ(ordered[1].start, Point(21, 21));
    EXPECT_DOUBLE_EQ(penUpLength(ordered), distance({}, {10, 10}) + distance({10, 10}, {21, 21}));
}

TEST(PathOrder, MergesTouchingPathsStraightestFirst) {
    // A polyline cut in pieces, shuffled, some turned round, within a pixel of each other.
    std::vector<Path> pieces;
    for (int i = 0; i < 6; ++i) {
        const Path piece =
            line({i * 10.0 + (i % 2) * 0.5, 50}, {i * 10.0 + 10, i == 5 ? 51.0 : 50.0});
        pieces.push_back(i % 3 == 0 ? reversed(piece) : piece);
    }
    std::shuffle(pieces.begin(), pieces.end(), std::mt19937(3));
    std::vector<Path> merged = mergeTouchingPaths(pieces);
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_NEAR(length(merged[0]), drawnLength(pieces), 2.5);
    EXPECT_EQ(std::min(merged[0].start.x, merged[0].end().x), 0);
    EXPECT_EQ(std::max(merged[0].start.x, merged[0].end().x), 60);

    // Three ends at one point: the straight pair joins, the branch stays apart.
    merged = mergeTouchingPaths(
        {line({0, 0}, {10, 10}), line({20, 0}, {10.5, 10}), line({20, 20}, {10, 10.5})});
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0].segments.size() + merged[1].segments.size(), 4u);
    EXPECT_EQ(std::max(merged[0].segments.size(), merged[1].segments.size()), 3u);

    // Two paths that meet at both ends make a ring; far paths stay as they are.
    merged = mergeTouchingPaths(
        {line({0, 0}, {10, 0}), line({10, 0}, {0, 0.5}), line({50, 50}, {60, 60})});
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0], line({50, 50}, {60, 60}));
    EXPECT_TRUE(merged[1].closed);
    EXPECT_EQ(merged[1].end(), merged[1].start);
    // Turned round, a ring keeps its start; turned twice, any path is itself again.
    EXPECT_EQ(reversed(merged[1]).start, merged[1].start);
    EXPECT_EQ(reversed(reversed(merged[1])), merged[1]);
}

}  // namespace
}  // namespace carbonel::vec
