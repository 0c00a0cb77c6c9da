#include "vector/wide_lines.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "vector/centerline.h"

namespace carbonel::vec {
namespace {

// A line up to about four pens wide is filled in two rounds; past them, what is left is mostly the
// corners of blobs, and each round costs a whole tracing.
constexpr int kMostRounds = 2;

// Clears, in `left`, every pixel whose centre lies within `reach` of a point along the paths.
void clearAround(std::vector<std::uint8_t>& left, int width, int height,
                 const std::vector<Path>& paths, double reach) {
    const int span = int(std::ceil(reach));
    const double reach2 = reach * reach;
    // Discs a quarter of their radius apart cover the band along a path as closely as discs
    // half a pixel apart do, and a wide pen's then cost its width, not its area, a step.
    const double step = std::max(0.5, reach / 4);
    for (const Path& path : paths)
        for (const Point& p : samplePoints(path, step)) {
            const int cy = int(std::floor(p.y));
            for (int y = std::max(0, cy - span); y <= std::min(height - 1, cy + span); ++y) {
                const double dy = y + 0.5 - p.y;
                const double rest = reach2 - dy * dy;
                if (rest < 0) continue;
                // The row's pixels whose centres lie within the disc: one run of them.
                const double half = std::sqrt(rest);
                const int from = std::max(0, int(std::ceil(p.x - 0.5 - half)));
                const int to = std::min(width - 1, int(std::floor(p.x - 0.5 + half)));
                if (from <= to)
                    std::memset(left.data() + std::size_t(y) * std::size_t(width) + from, 0,
                                std::size_t(to - from + 1));
            }
        }
}

}  // namespace

std::vector<Path> strokesBesideWideLines(int width, int height,
                                         std::span<const std::uint8_t> pixels,
                                         const std::vector<Path>& paths, double penWidth) {
    if (width < 0 || height < 0 || pixels.size() != std::size_t(width) * std::size_t(height))
        throw std::invalid_argument("strokesBesideWideLines: pixels do not match the size");
    std::vector<std::uint8_t> left(pixels.begin(), pixels.end());
    for (std::uint8_t& pixel : left) pixel = pixel != 0;
    // A pixel within a pixel of the pen's edge reads as part of its stroke. The reach is held to
    // 64 pixels, as far as the tracer measures line widths: past that a pen's cost would grow
    // with its width for blobs no sketch has.
    const double reach = std::min(penWidth / 2 + 1, 64.0);
    std::vector<Path> added;
    std::vector<Path> last = paths;
    for (int round = 0; round < kMostRounds; ++round) {
        clearAround(left, width, height, last, reach);
        if (std::find(left.begin(), left.end(), 1) == left.end()) break;
        last = traceCenterlines(width, height, left).paths;
        if (last.empty()) break;
        // Like a spur, a stroke shorter than twice the pen is a blob's corner, not a line: it would
        // cost a pen lift for a speck.
        std::erase_if(last, [&](const Path& path) { return length(path) < 2 * penWidth; });
        added.insert(added.end(), last.begin(), last.end());
    }
    return added;
}

}  // namespace carbonel::vec
