#include "sketch/region_pass.h"

#include <cstdint>

#include "sketch/sketch_pixel.h"

namespace carbonel {
namespace {

struct Disc {
    int cx, cy;
    long long radiusSquared;
    bool contains(int x, int y) const {
        const long long dx = x - cx;
        const long long dy = y - cy;
        return dx * dx + dy * dy < radiusSquared;
    }
};

// The one-pixel frame of the photo is never drawn by any branch.
bool insideGuard(int x, int y, const Raster& photo) {
    return x > 0 && y > 0 && x < photo.width() - 1 && y < photo.height() - 1;
}

void eraserPass(int left, int top, int right, int bottom, const Disc& disc, const Raster& photo,
                Raster& sketch) {
    for (int y = top; y < bottom - 1; ++y) {
        for (int x = left; x < right - 1; ++x) {
            if (!insideGuard(x, y, photo) || !disc.contains(x, y)) continue;
            std::uint8_t* out = sketch.mutableRow(y) + x * 3;
            out[0] = out[1] = out[2] = 255;
        }
    }
}

void brushPass(int left, int top, int right, int bottom, const Disc& disc, const Raster& photo,
               Raster& sketch) {
    long long sum[3] = {0, 0, 0};
    long long count = 0;
    for (int y = top + 1; y < bottom - 1; ++y) {
        for (int x = left + 1; x < right - 1; ++x) {
            if (!insideGuard(x, y, photo) || !disc.contains(x, y)) continue;
            const std::uint8_t* p = photo.row(y) + x * 3;
            for (int c = 0; c < 3; ++c) sum[c] += p[c];
            ++count;
        }
    }
    if (count == 0) return;
    std::uint8_t mean[3];
    for (int c = 0; c < 3; ++c) {
        mean[c] = static_cast<std::uint8_t>(sum[c] / count);
    }
    for (int y = top + 1; y < bottom - 1; ++y) {
        for (int x = left + 1; x < right - 1; ++x) {
            if (!insideGuard(x, y, photo) || !disc.contains(x, y)) continue;
            std::uint8_t* out = sketch.mutableRow(y) + x * 3;
            out[0] = mean[0];
            out[1] = mean[1];
            out[2] = mean[2];
        }
    }
}

void sketchPass(int left, int top, int right, int bottom, const Disc& disc, const Raster& photo,
                Raster& sketch, const SketchSettings& settings, PenStyle style, bool inDisc) {
    const int step = settings.lineStep;
    for (int y = top + step; y < bottom - 1; ++y) {
        for (int x = left + step; x < right - 1; ++x) {
            if (!insideGuard(x, y, photo)) continue;
            if (inDisc && !disc.contains(x, y)) continue;
            sketchPixel(x, y, photo, sketch, settings, style);
        }
    }
}

Disc inscribedDisc(int left, int top, int right, int bottom) {
    const long long width = static_cast<long long>(right) - left;
    return {static_cast<int>((static_cast<long long>(left) + right) / 2),
            static_cast<int>((static_cast<long long>(top) + bottom) / 2), width * width / 4};
}

}  // namespace

void runRegionPass(int left, int top, int right, int bottom, const Raster& photo, Raster& sketch,
                   const SketchSettings& settings, PenStyle style) {
    const Disc disc = inscribedDisc(left, top, right, bottom);
    if (style == PenStyle::Brush) {
        brushPass(left, top, right, bottom, disc, photo, sketch);
    } else {
        sketchPass(left, top, right, bottom, disc, photo, sketch, settings, style, false);
    }
}

void runDiscPass(int left, int top, int right, int bottom, const Raster& photo, Raster& sketch,
                 const SketchSettings& settings, PenStyle style) {
    const Disc disc = inscribedDisc(left, top, right, bottom);
    if (style == PenStyle::Eraser) {
        eraserPass(left, top, right, bottom, disc, photo, sketch);
    } else if (style == PenStyle::Brush) {
        brushPass(left, top, right, bottom, disc, photo, sketch);
    } else {
        sketchPass(left, top, right, bottom, disc, photo, sketch, settings, style, true);
    }
}

}  // namespace carbonel
