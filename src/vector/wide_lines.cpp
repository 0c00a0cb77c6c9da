#include "vector/wide_lines.h"

#include <algorithm>
#include <cmath>
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
    for (const Path& path : paths)
        for (const Point& p : samplePoints(path, 0.5)) {
            const int cx = int(std::floor(p.x)), cy = int(std::floor(p.y));
            for (int y = std::max(0, cy - span); y <= std::min(height - 1, cy + span); ++y) {
                const double dy = y + 0.5 - p.y;
                std::uint8_t* row = left.data() + std::size_t(y) * std::size_t(width);
                for (int x = std::max(0, cx - span); x <= std::min(width - 1, cx + span); ++x) {
                    const double dx = x + 0.5 - p.x;
                    if (dx * dx + dy * dy <= reach2) row[x] = 0;
                }
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
    // A pixel within a pixel of the pen's edge reads as part of its stroke.
    const double reach = penWidth / 2 + 1;
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
