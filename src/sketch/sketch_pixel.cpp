#include "sketch/sketch_pixel.h"

#include <cstdint>
#include <cstdlib>

namespace carbonel {

void sketchPixel(int x, int y, const Raster& photo, Raster& sketch, const SketchSettings& settings,
                 PenStyle style) {
    const int step = settings.lineStep;
    const int threshold = settings.edgeThreshold;

    // All three lattice rows are fetched first, so a row outside the photo fails before any write.
    const std::uint8_t* rows[3] = {photo.row(y - step), photo.row(y), photo.row(y + step)};
    const std::uint8_t* centre = rows[1] + x * 3;
    const int cb = centre[0], cg = centre[1], cr = centre[2];

    int edgeCount = 0;
    int contrastSum = 0;
    for (const std::uint8_t* sampleRow : rows) {
        for (int i = -1; i <= 1; ++i) {
            const int sx = x + i * step;
            if (sx < 0 || sx >= photo.width()) continue;
            const std::uint8_t* s = sampleRow + sx * 3;
            const int signedDiff = (cb - s[0]) + (cg - s[1]) + (cr - s[2]);
            const int contrast = std::abs(cb - s[0]) + std::abs(cg - s[1]) + std::abs(cr - s[2]);
            // Only samples at least as bright as the centre make strokes.
            if (signedDiff <= 0) {
                contrastSum += contrast;
                if (contrast > threshold) ++edgeCount;
            }
        }
    }

    const CountWindow window = countWindowFor(step);
    const bool inWindow = edgeCount >= window.lower && edgeCount <= window.upper;
    const int sx = x;
    const int sy = y;
    switch (style) {
        case PenStyle::Pen:
            if (inWindow) {
                std::uint8_t* out = sketch.mutableRow(sy) + sx * 3;
                out[0] = out[1] = out[2] = 0;
            }
            break;
        case PenStyle::Pencil:
            if (contrastSum > threshold) {
                const int darken = contrastSum / 3;
                std::uint8_t* out = sketch.mutableRow(sy) + sx * 3;
                for (int c = 0; c < 3; ++c) {
                    out[c] = static_cast<std::uint8_t>(out[c] > darken ? out[c] - darken : 0);
                }
            }
            break;
        case PenStyle::Pastel:
            if (inWindow) {
                std::uint8_t* out = sketch.mutableRow(sy) + sx * 3;
                out[0] = centre[0];
                out[1] = centre[1];
                out[2] = centre[2];
            }
            break;
        case PenStyle::Brush:
        case PenStyle::Eraser:
            break;
    }
}

}  // namespace carbonel
