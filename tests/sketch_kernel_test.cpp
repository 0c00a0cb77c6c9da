#include <gtest/gtest.h>

#include "sketch/error.h"
#include "sketch/sketch_pixel.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::Bgr;
using test::makeRaster;
using test::pixelAt;

using test::kBlack;
using test::kWhite;

SketchSettings settingsWith(int threshold, int step) {
    SketchSettings settings;
    settings.edgeThreshold = threshold;
    settings.lineStep = step;
    return settings;
}

// Decides one pixel on a fresh white sketch and returns what it became.
Bgr decide(const Raster& photo, int x, int y, PenStyle style, int threshold = 30, int step = 1,
           Bgr before = kWhite) {
    Raster sketch(photo.width() + 1, photo.height() + 1);
    test::setPixel(sketch, x, y, before);
    sketchPixel(x, y, photo, sketch, settingsWith(threshold, step), style);
    return pixelAt(sketch, x, y);
}

TEST(CountWindow, FollowsTheLineStep) {
    EXPECT_EQ(countWindowFor(1).lower, 2);
    EXPECT_EQ(countWindowFor(1).upper, 6);
    for (int step : {2, 3}) {
        EXPECT_EQ(countWindowFor(step).lower, 1);
        EXPECT_EQ(countWindowFor(step).upper, 4);
    }
    for (int step = 4; step <= 15; ++step) {
        EXPECT_EQ(countWindowFor(step).lower, 1) << step;
        EXPECT_EQ(countWindowFor(step).upper, 3) << step;
    }
}

TEST(SketchPixel, FlatPhotoWritesNothing) {
    const Raster photo = makeRaster(9, 9, [](int, int) { return Bgr{40, 80, 120}; });
    for (PenStyle style : {PenStyle::Pen, PenStyle::Pencil, PenStyle::Pastel}) {
        EXPECT_EQ(decide(photo, 4, 4, style, 0), kWhite);
    }
}

TEST(SketchPixel, DarkSideOfAVerticalEdge) {
    // Black up to column 4, white from column 5.
    const Raster photo = makeRaster(12, 9, [](int x, int) { return x <= 4 ? kBlack : kWhite; });
    EXPECT_EQ(decide(photo, 4, 4, PenStyle::Pen), kBlack);
    EXPECT_EQ(decide(photo, 4, 4, PenStyle::Pencil), kBlack);  // 2295 / 3 = 765 taken off 255
    EXPECT_EQ(decide(photo, 4, 4, PenStyle::Pencil, 30, 1, Bgr{200, 200, 200}), kBlack);
    EXPECT_EQ(decide(photo, 4, 4, PenStyle::Pastel, 30, 1, Bgr{1, 2, 3}), kBlack);
    // The bright side sees only darker samples.
    for (PenStyle style : {PenStyle::Pen, PenStyle::Pencil, PenStyle::Pastel}) {
        EXPECT_EQ(decide(photo, 5, 4, style), kWhite);
    }
    // With L = 3 the three black columns next to the edge are drawn, and not the fourth.
    for (int x = 2; x <= 4; ++x) EXPECT_EQ(decide(photo, x, 4, PenStyle::Pen, 30, 3), kBlack) << x;
    EXPECT_EQ(decide(photo, 1, 4, PenStyle::Pen, 30, 3), kWhite);
}

TEST(SketchPixel, CountWindowBoundsPenAndPastelButNotPencil) {
    // A single dark pixel: all eight samples are brighter, above the upper bound 6.
    const Raster dot =
        makeRaster(7, 7, [](int x, int y) { return x == 3 && y == 3 ? kBlack : kWhite; });
    EXPECT_EQ(decide(dot, 3, 3, PenStyle::Pen), kWhite);
    EXPECT_EQ(decide(dot, 3, 3, PenStyle::Pastel), kWhite);
    EXPECT_EQ(decide(dot, 3, 3, PenStyle::Pencil), kBlack);
    // A dark line one pixel high: six brighter samples, inside 2..6 for L = 1, above 4 for L = 2.
    const Raster line = makeRaster(9, 9, [](int, int y) { return y == 4 ? kBlack : kWhite; });
    EXPECT_EQ(decide(line, 4, 4, PenStyle::Pen, 30, 1), kBlack);
    EXPECT_EQ(decide(line, 4, 4, PenStyle::Pen, 30, 2), kWhite);
}

TEST(SketchPixel, ThresholdIsStrictAndEqualSumsCountAsBrighter) {
    // Centre (10, 10, 10); the right-hand neighbour (20, 10, 0) has the same channel sum but a
    // contrast of 20; the rest are the centre's colour.
    auto photoWith = [](Bgr right) {
        return makeRaster(5, 5, [right](int x, int y) {
            return x == 3 && y == 2 ? right : Bgr{10, 10, 10};
        });
    };
    const Raster equalSum = photoWith({20, 10, 0});
    // Contrast sum 20 > 19: Pencil darkens by 20 / 3 = 6; exactly 20 leaves it idle.
    EXPECT_EQ(decide(equalSum, 2, 2, PenStyle::Pencil, 19), (Bgr{249, 249, 249}));
    EXPECT_EQ(decide(equalSum, 2, 2, PenStyle::Pencil, 20), kWhite);
    // One counted edge is below Pen's lower bound 2 at L = 1; two such samples reach it.
    EXPECT_EQ(decide(equalSum, 2, 2, PenStyle::Pen, 19), kWhite);
    const Raster two = makeRaster(5, 5, [](int x, int y) {
        return (x == 3 || x == 1) && y == 2 ? Bgr{20, 10, 0} : Bgr{10, 10, 10};
    });
    EXPECT_EQ(decide(two, 2, 2, PenStyle::Pen, 19), kBlack);
    EXPECT_EQ(decide(two, 2, 2, PenStyle::Pen, 20), kWhite);  // contrast equal to T does not count
}

TEST(SketchPixel, PencilDarkensAgainButPenAndPastelAreIdempotent) {
    const Raster photo = makeRaster(7, 7, [](int x, int) {
        return x <= 3 ? Bgr{100, 100, 100} : Bgr{130, 130, 130};
    });
    Raster sketch(8, 8);
    const SketchSettings settings = settingsWith(30, 1);
    sketchPixel(3, 3, photo, sketch, settings, PenStyle::Pencil);  // sum 270, darken 90
    EXPECT_EQ(pixelAt(sketch, 3, 3), (Bgr{165, 165, 165}));
    sketchPixel(3, 3, photo, sketch, settings, PenStyle::Pencil);
    EXPECT_EQ(pixelAt(sketch, 3, 3), (Bgr{75, 75, 75}));
    sketchPixel(3, 3, photo, sketch, settings, PenStyle::Pastel);
    sketchPixel(3, 3, photo, sketch, settings, PenStyle::Pastel);
    EXPECT_EQ(pixelAt(sketch, 3, 3), (Bgr{100, 100, 100}));
    // Brush and Eraser are not the kernel's business.
    Raster untouched(8, 8);
    sketchPixel(3, 3, photo, untouched, settings, PenStyle::Eraser);
    sketchPixel(3, 3, photo, untouched, settings, PenStyle::Brush);
    EXPECT_EQ(untouched, Raster(8, 8));
}

TEST(SketchPixel, LatticeRowOutsideThePhotoFailsBeforeWriting) {
    const Raster photo = makeRaster(10, 10, [](int x, int) { return x < 5 ? kBlack : kWhite; });
    Raster sketch(11, 11);
    const Raster before = sketch;
    EXPECT_THROW(sketchPixel(4, 1, photo, sketch, settingsWith(30, 2), PenStyle::Pen), Error);
    EXPECT_THROW(sketchPixel(4, 8, photo, sketch, settingsWith(30, 2), PenStyle::Pen), Error);
    EXPECT_EQ(sketch, before);
    // Columns outside the photo are left out: the pixel is still decided from the others.
    EXPECT_NO_THROW(sketchPixel(1, 4, photo, sketch, settingsWith(30, 3), PenStyle::Pen));
}

}  // namespace
}  // namespace carbonel
