#pragma once

// The tracer's first steps, on a copy of the picture with a background border all round: the
// distance of each line pixel from the background, and thinning to a one-pixel skeleton.
// Internal to the vector layer.

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace carbonel::vec::detail {

// What a grid byte says of its pixel, one bit each.
enum : std::uint8_t {
    kLine = 1,      // a line pixel (after thinning: a skeleton pixel)
    kVisited = 2,   // followed into a branch
    kJunction = 4,  // three or more skeleton neighbours
    kGrouped = 8,   // already in a junction's cluster
};

struct Grid {
    int width = 0;  // the picture's
    int height = 0;
    int stride = 0;  // width + 2
    std::vector<std::uint8_t> cells;

    std::uint32_t index(int x, int y) const { return std::uint32_t(y + 1) * stride + x + 1; }
    // The cells between the border rows, where every pixel lies.
    std::uint32_t firstCell() const { return std::uint32_t(stride); }
    std::uint32_t endCell() const { return std::uint32_t(cells.size()) - std::uint32_t(stride); }
    int xOf(std::uint32_t i) const { return int(i % std::uint32_t(stride)) - 1; }
    int yOf(std::uint32_t i) const { return int(i / std::uint32_t(stride)) - 1; }
    bool line(std::uint32_t i) const { return cells[i] & kLine; }

    // Offsets of the eight neighbours, clockwise from north: N, NE, E, SE, S, SW, W, NW.
    std::array<std::int32_t, 8> neighbours() const {
        return {-stride, -stride + 1, 1, stride + 1, stride, stride - 1, -1, -stride - 1};
    }
    // The eight neighbours' line bits as a mask, bit k for neighbours()[k].
    unsigned mask(std::uint32_t i) const;
    // How many of the eight neighbours are line pixels.
    int count(std::uint32_t i) const {
        static constexpr auto kCounts = [] {
            std::array<std::uint8_t, 256> counts{};
            for (unsigned m = 0; m < 256; ++m) counts[m] = std::uint8_t(std::popcount(m));
            return counts;
        }();
        return kCounts[mask(i)];
    }
};

// Calls `visit(i)` for each i in [first, end) whose cell has any of the bits `flags`, in order,
// reading eight cells at once: line pixels are few in most pictures. Which cells are visited is
// read before visiting the eight, so a visit that marks a cell after it among them must not count
// on that cell's visit.
template <class Visit>
void forEachCell(const std::uint8_t* cells, std::uint32_t first, std::uint32_t end,
                 std::uint8_t flags, Visit visit) {
    const std::uint64_t spread = 0x0101010101010101u * flags;
    std::uint32_t i = first;
    for (; i + 8 <= end; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, cells + i, 8);
        constexpr bool kLittle = std::endian::native == std::endian::little;
        for (word &= spread; word != 0;) {
            const int at = (kLittle ? std::countr_zero(word) : std::countl_zero(word)) / 8;
            visit(i + at);
            word &= ~(std::uint64_t(0xff) << (kLittle ? 8 * at : 56 - 8 * at));
        }
    }
    for (; i < end; ++i)
        if (cells[i] & flags) visit(i);
}

// Any non-zero pixel of the row-major `pixels` is a line pixel.
Grid makeGrid(int width, int height, std::span<const std::uint8_t> pixels);

// Units of distanceMap's values: quarters of a pixel.
inline constexpr double kDistanceScale = 4;

// The Euclidean distance from each line pixel's centre to the nearest background pixel's centre
// (so 1 on a line one pixel wide), in 1/kDistanceScale pixel up to 255 (nearly 64 pixels, past
// any pen), 0 on the background. One byte a pixel.
std::vector<std::uint8_t> distanceMap(const Grid& grid);

// Thins the line pixels to an 8-connected skeleton one pixel wide with the same topology, then
// takes out the corner pixels of staircases, which the skeleton does not need to stay connected.
void thin(Grid& grid);

}  // namespace carbonel::vec::detail
