#include "workspace/freehand.h"

#include <cmath>

#include "sketch/convert.h"
#include "sketch/error.h"
#include "sketch/region_pass.h"

namespace carbonel {

void FreehandStroke::countMove(int brushRadius) {
    const int period =
        std::max(1, static_cast<int>(std::sqrt(static_cast<double>(std::max(brushRadius, 0)))));
    moveCount_ = (moveCount_ + 1) % period;
}

std::optional<BrushRectangle> brushRectangle(int x, int y, int radius, int lineStep, int paneWidth,
                                             int paneHeight, int photoHeight) {
    const bool inside =
        lineStep < x && x < paneWidth - lineStep && lineStep < y && y < paneHeight - lineStep;
    if (!inside || paneHeight <= 0) return std::nullopt;
    const float scale = static_cast<float>(photoHeight) / static_cast<float>(paneHeight);
    auto photoPixel = [scale](int panePixel) {
        return static_cast<int>(static_cast<float>(panePixel) * scale);
    };
    return BrushRectangle{photoPixel(x - radius), photoPixel(y - radius), photoPixel(x + radius),
                          photoPixel(y + radius)};
}

std::optional<BrushRectangle> brushRectangleAt(double photoX, double photoY, int radius,
                                               int lineStep, int paneWidth, int paneHeight,
                                               int photoHeight) {
    if (paneHeight <= 0 || photoHeight <= 0) return std::nullopt;
    // Photo pixels per pane pixel at fit, as brushRectangle has it.
    const float scale = static_cast<float>(photoHeight) / static_cast<float>(paneHeight);
    const double x = photoX / scale, y = photoY / scale;
    const bool inside =
        lineStep < x && x < paneWidth - lineStep && lineStep < y && y < paneHeight - lineStep;
    if (!inside) return std::nullopt;
    const int reach = static_cast<int>(static_cast<float>(radius) * scale);
    const int column = static_cast<int>(std::floor(photoX));
    const int row = static_cast<int>(std::floor(photoY));
    return BrushRectangle{column - reach, row - reach, column + reach, row + reach};
}

BrushRectangle sketchAreaOf(const BrushRectangle& r) {
    return {r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
}

bool brushOutlineVisible(int x, int y, int paneWidth, int paneHeight) {
    return 3 < x && x < paneWidth - 4 && 3 < y && y < paneHeight - 4;
}

bool runFreehandPass(const BrushRectangle& r, const Raster& photo, Raster& sketch,
                     const SketchSettings& settings, PenStyle style) {
    if (fastKernelHandles(settings, style)) {
        return sketchDiscFast(photo, sketch, settings, style, r.left, r.top, r.right, r.bottom);
    }
    try {
        runDiscPass(r.left, r.top, r.right, r.bottom, photo, sketch, settings, style);
    } catch (const Error&) {
        return false;
    }
    return true;
}

}  // namespace carbonel
