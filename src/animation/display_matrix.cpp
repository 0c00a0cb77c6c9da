#include "animation/display_matrix.h"

#include <cmath>
#include <numbers>

namespace carbonel {

int displayOrientation(const std::int32_t matrix[9]) {
    // The clockwise angle the picture is shown at, from the matrix's first two columns.
    const double a = matrix[0], b = matrix[1], c = matrix[3], d = matrix[4];
    const double scaleX = std::hypot(a, c), scaleY = std::hypot(b, d);
    if (scaleX == 0 || scaleY == 0) return 1;
    double angle = std::atan2(b / scaleY, a / scaleX) * 180 / std::numbers::pi;
    angle -= 360 * std::floor(angle / 360 + 0.9 / 360);
    const auto near = [&](double quarter) { return std::fabs(angle - quarter) < 1.0; };
    // Exif: 2 mirrored, 3 half a turn, 4 upside down mirrored, 5 transposed, 6 a quarter turn
    // clockwise, 7 transversed, 8 a quarter turn counter-clockwise.
    if (near(90)) return c > 0 ? 5 : 6;
    if (near(270)) return c < 0 ? 7 : 8;
    if (near(180)) {
        if (a < 0 && d < 0) return 3;
        if (a < 0) return 2;
        return d < 0 ? 4 : 1;
    }
    if (near(0) || near(360)) return d < 0 ? 4 : 1;
    return 1;
}

}  // namespace carbonel
