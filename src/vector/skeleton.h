#pragma once

// The tracer's first steps, on a copy of the picture with a background border all round: the
// distance of each line pixel from the background, and thinning to a one-pixel skeleton.
// Internal to the vector layer.

#include <array>
#include <bit>
#include <cstdint>
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
