#include "vector/skeleton.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace carbonel::vec::detail {
namespace {

// The thinning's own marks, cleared by the end of it.
constexpr std::uint8_t kTouchedFirst = 2, kTouchedSecond = 4, kRemove = 8, kQueued = 16;

constexpr bool bit(unsigned mask, int k) {
    return (mask >> k) & 1u;
}

// Guo and Hall's parallel thinning: whether a pixel with these neighbours (bit 0 north, then
// clockwise) goes in the given half of an iteration. It keeps the ends of lines and, unlike the
// older two-pass rule, does not erase a two-by-two square.
constexpr bool thinnable(unsigned m, int half) {
    const int p2 = bit(m, 0), p3 = bit(m, 1), p4 = bit(m, 2), p5 = bit(m, 3);
    const int p6 = bit(m, 4), p7 = bit(m, 5), p8 = bit(m, 6), p9 = bit(m, 7);
    const int c = ((1 - p2) & (p3 | p4)) + ((1 - p4) & (p5 | p6)) + ((1 - p6) & (p7 | p8)) +
                  ((1 - p8) & (p9 | p2));
    const int n1 = (p9 | p2) + (p3 | p4) + (p5 | p6) + (p7 | p8);
    const int n2 = (p2 | p3) + (p4 | p5) + (p6 | p7) + (p8 | p9);
    const int n = std::min(n1, n2);
    const int side = half == 0 ? ((p6 | p7 | (1 - p9)) & p8) : ((p2 | p3 | (1 - p5)) & p4);
    return c == 1 && n >= 2 && n <= 3 && side == 0;
}

// Yokoi's connectivity number for 8-connected lines: 1 when taking the pixel out changes no
// connection (neither splits its neighbours nor opens a hole).
constexpr int connectivity(unsigned m) {
    int n = 0;
    for (int k = 0; k < 8; k += 2) {
        const int a = !bit(m, k), b = !bit(m, (k + 1) % 8), c = !bit(m, (k + 2) % 8);
        n += a - a * b * c;
    }
    return n;
}

// A staircase's corner: two 4-neighbours at right angles that meet diagonally without it.
constexpr bool staircaseCorner(unsigned m) {
    const bool n = bit(m, 0), e = bit(m, 2), s = bit(m, 4), w = bit(m, 6);
    return connectivity(m) == 1 && ((n && e) || (e && s) || (s && w) || (w && n));
}

template <class Rule>
constexpr std::array<bool, 256> table(Rule rule) {
    std::array<bool, 256> t{};
    for (unsigned m = 0; m < 256; ++m) t[m] = rule(m);
    return t;
}

constexpr auto kThinnableFirst = table([](unsigned m) { return thinnable(m, 0); });
constexpr auto kThinnableSecond = table([](unsigned m) { return thinnable(m, 1); });
constexpr auto kStaircaseCorner = table(staircaseCorner);

}  // namespace

unsigned Grid::mask(std::uint32_t i) const {
    const std::uint8_t* c = cells.data() + i;
    const std::ptrdiff_t s = stride;
    return (c[-s] & kLine) | (c[-s + 1] & kLine) << 1 | (c[1] & kLine) << 2 |
           (c[s + 1] & kLine) << 3 | (c[s] & kLine) << 4 | (c[s - 1] & kLine) << 5 |
           (c[-1] & kLine) << 6 | (c[-s - 1] & kLine) << 7;
}

Grid makeGrid(int width, int height, std::span<const std::uint8_t> pixels) {
    if (width < 0 || height < 0 || pixels.size() != std::size_t(width) * std::size_t(height))
        throw std::invalid_argument("the picture's pixels do not match its size");
    Grid grid;
    grid.width = width;
    grid.height = height;
    grid.stride = width + 2;
    grid.cells.assign(std::size_t(grid.stride) * (height + 2), 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels.data() + std::size_t(y) * width;
        std::uint8_t* cell = grid.cells.data() + grid.index(0, y);
        for (int x = 0; x < width; ++x) cell[x] = row[x] != 0 ? kLine : 0;
    }
    return grid;
}

std::vector<std::uint8_t> distanceMap(const Grid& grid) {
    const std::size_t stride = grid.stride, rows = grid.height + 2;
    constexpr int kMost = std::numeric_limits<std::uint8_t>::max();
    std::vector<std::uint8_t> map(grid.cells.size(), 0);
    // Down and up the columns, a row at a time: the distance in pixels to the nearest background
    // pixel in the same column (the border rows are background). Capping it at kMost pixels
    // changes no distance under kMost / kDistanceScale.
    for (std::size_t y = 1; y + 1 < rows; ++y)
        for (std::size_t i = y * stride, end = i + stride; i < end; ++i)
            if (grid.cells[i] & kLine) map[i] = std::uint8_t(std::min(kMost, map[i - stride] + 1));
    for (std::size_t y = rows - 2; y >= 1; --y)
        for (std::size_t i = y * stride, end = i + stride; i < end; ++i)
            if (map[i] > map[i + stride] + 1) map[i] = std::uint8_t(map[i + stride] + 1);

    // Along the rows, the lower envelope of the parabolas (x - q)² + column(q)², taken over each
    // run of line pixels with the background pixel at either end: a column beyond those two is
    // never nearer. So the work follows the line pixels, not the picture's area.
    std::vector<std::int64_t> f(stride);
    std::vector<int> v(stride);
    std::vector<double> z(stride + 1);
    for (std::size_t y = 1; y + 1 < rows; ++y) {
        std::uint8_t* row = map.data() + y * stride;
        for (std::size_t x = 1; x + 1 < stride;) {
            if (row[x] == 0) {
                ++x;
                continue;
            }
            std::size_t last = x;
            while (row[last + 1] != 0) ++last;
            const int first = int(x) - 1, stop = int(last) + 1;  // background at both
            for (int q = first; q <= stop; ++q) f[q] = std::int64_t(row[q]) * row[q];
            int k = 0;
            v[0] = first;
            z[0] = -std::numeric_limits<double>::infinity();
            z[1] = std::numeric_limits<double>::infinity();
            const auto meet = [&](int q, int r) {
                return double((f[q] + std::int64_t(q) * q) - (f[r] + std::int64_t(r) * r)) /
                       (2.0 * (q - r));
            };
            for (int q = first + 1; q <= stop; ++q) {
                double s = meet(q, v[k]);
                while (s <= z[k]) s = meet(q, v[--k]);  // z[0] is -inf: stops there
                ++k;
                v[k] = q;
                z[k] = s;
                z[k + 1] = std::numeric_limits<double>::infinity();
            }
            k = 0;
            for (int q = first + 1; q < stop; ++q) {
                while (z[k + 1] < q) ++k;
                const double d = std::sqrt(double(std::int64_t(q - v[k]) * (q - v[k]) + f[v[k]]));
                row[q] = std::uint8_t(std::min(double(kMost), d * kDistanceScale + 0.5));
            }
            x = last + 1;
        }
    }
    return map;
}

void thin(Grid& grid) {
    std::uint8_t* cells = grid.cells.data();
    const auto offsets = grid.neighbours();
    const std::uint32_t stride = grid.stride;
    const std::uint32_t scanFirst = grid.firstCell(), scanEnd = grid.endCell();
    const auto scan = [&](std::uint8_t flags, auto visit) {
        forEachCell(grid.cells.data(), scanFirst, scanEnd, flags, visit);
    };

    // Each half-iteration looks only at the pixels whose neighbourhood changed since it last
    // looked at them, marked kTouched (one mark for each half's rule); any other pixel would
    // stay. At first that is every line pixel on an edge. While few pixels are marked they are
    // also listed, so that a thick blob thinning a layer at a time costs no scan of the whole
    // picture; when many are (more than the list may hold), the grid is scanned instead.
    constexpr std::uint8_t kTouched[2] = {kTouchedFirst, kTouchedSecond};
    constexpr std::uint8_t kTouchedEither = kTouchedFirst | kTouchedSecond;
    const std::size_t mostListed = std::max<std::size_t>(grid.cells.size() / 16, 4096);
    scan(kLine, [&](std::uint32_t i) {
        if (!((cells[i - stride] & cells[i + 1] & cells[i + stride] & cells[i - 1]) & kLine))
            cells[i] |= kTouchedEither;
    });

    std::vector<std::uint32_t> list, next;
    bool listed = false;
    for (int half = 0;; half ^= 1) {
        const auto& rule = half == 0 ? kThinnableFirst : kThinnableSecond;
        const std::uint8_t mine = kTouched[half], other = kTouched[1 - half];
        // Decide on every candidate as the picture stood before this half, then remove.
        const auto decide = [&](std::uint32_t i) {
            if (rule[grid.mask(i)]) cells[i] |= kRemove;
            cells[i] &= std::uint8_t(~mine);
        };
        std::size_t candidates = 0;
        if (listed) {
            for (std::uint32_t i : list) decide(i);
            candidates = list.size();
        } else {
            scan(kTouchedEither, [&](std::uint32_t i) { decide(i), ++candidates; });
        }
        if (candidates == 0) break;

        next.clear();
        bool listing = listed;
        const auto queue = [&](std::uint32_t n) {
            if (!listing || (cells[n] & kQueued)) return;
            cells[n] |= kQueued;
            next.push_back(n);
            listing = next.size() <= mostListed;
        };
        const auto remove = [&](std::uint32_t i) {
            cells[i] = 0;
            for (std::int32_t o : offsets) {
                const std::uint32_t n = i + o;
                if ((cells[n] & (kLine | kRemove)) == kLine) {
                    cells[n] |= mine;
                    queue(n);
                }
            }
        };
        if (listed) {
            for (std::uint32_t i : list)
                if (cells[i] & kRemove) remove(i);
            for (std::uint32_t i : list)
                if (cells[i] & other) queue(i);
        } else {
            scan(kRemove, remove);
            // The marks left, listed if they fit.
            listing = true;
            for (std::uint32_t i = scanFirst; i < scanEnd && listing; ++i)
                if (cells[i] & kTouchedEither) {
                    next.push_back(i);
                    listing = next.size() <= mostListed;
                }
        }
        for (std::uint32_t i : next) cells[i] &= std::uint8_t(~kQueued);
        listed = listing;
        std::swap(list, next);
    }

    // A staircase's corner pixel gives its two neighbours a third neighbour each, which would
    // read as a junction; taken out, the line steps diagonally.
    scan(kLine, [&](std::uint32_t i) {
        if (kStaircaseCorner[grid.mask(i)]) cells[i] = 0;
    });
}

}  // namespace carbonel::vec::detail
