#include "sketch/region_pass.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace carbonel {
namespace {

using test::Bgr;
using test::makeRaster;
using test::pixelAt;

using test::kWhite;

SketchSettings stepOf(int step, int threshold = 0) {
    SketchSettings settings;
    settings.lineStep = step;
    settings.edgeThreshold = threshold;
    return settings;
}

// A photo that brightens to the right: every decided pixel has brighter samples, so Pencil with
// threshold 0 darkens exactly the pixels a pass decides.
Raster rightwardRamp(int width, int height) {
    return makeRaster(width, height, [](int x, int) {
        const auto v = static_cast<std::uint8_t>(x * 2);
        return Bgr{v, v, v};
    });
}

TEST(RegionPass, ConversionDecidesTheWholeRectangleLessItsMargins) {
    const Raster photo = rightwardRamp(100, 80);
    Raster sketch(101, 81);
    runRegionPass(1, 1, 99, 79, photo, sketch, stepOf(1), PenStyle::Pencil);
    for (int y = 0; y < 81; ++y) {
        for (int x = 0; x < 101; ++x) {
            const bool decided = x >= 2 && x <= 97 && y >= 2 && y <= 77;
            ASSERT_EQ(pixelAt(sketch, x, y) != kWhite, decided) << x << "," << y;
        }
    }
}

TEST(RegionPass, DiscPassLimitsTheSketchToTheDisc) {
    const Raster photo = rightwardRamp(100, 80);
    Raster sketch(101, 81);
    runDiscPass(1, 1, 99, 79, photo, sketch, stepOf(1), PenStyle::Pencil);
    for (int y = 0; y < 81; ++y) {
        for (int x = 0; x < 101; ++x) {
            const bool inDisc = (x - 50) * (x - 50) + (y - 40) * (y - 40) < 2401;
            const bool decided = x >= 2 && x <= 97 && y >= 2 && y <= 77 && inDisc;
            ASSERT_EQ(pixelAt(sketch, x, y) != kWhite, decided) << x << "," << y;
        }
    }
}

TEST(RegionPass, EraserWhitensTheDiscOnlyInTheDiscPass) {
    const Raster photo(300, 300);
    const Raster black = makeRaster(301, 301, [](int, int) { return Bgr{0, 0, 0}; });
    Raster sketch = black;
    runDiscPass(100, 200, 140, 240, photo, sketch, stepOf(1), PenStyle::Eraser);
    for (int y = 190; y < 250; ++y) {
        for (int x = 90; x < 150; ++x) {
            const bool erased =
                (x - 120) * (x - 120) + (y - 220) * (y - 220) < 400 && x <= 138 && y <= 238;
            ASSERT_EQ(pixelAt(sketch, x, y) == kWhite, erased) << x << "," << y;
        }
    }
    // In a conversion Eraser runs the sketch branch, which writes nothing for it.
    Raster automatic = black;
    runRegionPass(100, 200, 140, 240, rightwardRamp(300, 300), automatic, stepOf(1),
                  PenStyle::Eraser);
    EXPECT_EQ(automatic, black);
}

TEST(RegionPass, BrushFillsTheDiscWithTheTruncatedMean) {
    const Raster flat = makeRaster(60, 60, [](int, int) { return Bgr{10, 20, 30}; });
    Raster sketch = makeRaster(61, 61, [](int x, int) { return Bgr{std::uint8_t(x), 0, 0}; });
    runRegionPass(10, 10, 50, 50, flat, sketch, stepOf(5), PenStyle::Brush);
    EXPECT_EQ(pixelAt(sketch, 30, 30), (Bgr{10, 20, 30}));
    EXPECT_EQ(pixelAt(sketch, 11, 30), (Bgr{10, 20, 30}));
    EXPECT_EQ(pixelAt(sketch, 10, 30), (Bgr{10, 0, 0}));  // the brush starts one step in

    // The rectangle (0, 0)-(5, 3) visits row 1, columns 1..3, all inside its disc (centre (2, 1),
    // r^2 = 6): blues 0, 1 and 255 give 85. The rectangle (0, 0)-(4, 3) visits columns 1..2:
    // blues 0 and 1 give 0.
    const Raster blues = makeRaster(6, 6, [](int x, int y) {
        if (y != 1) return Bgr{77, 77, 77};
        return Bgr{std::uint8_t(x == 3 ? 255 : x == 2 ? 1 : 0), 0, 0};
    });
    Raster three(7, 7);
    runDiscPass(0, 0, 5, 3, blues, three, stepOf(1), PenStyle::Brush);
    EXPECT_EQ(pixelAt(three, 1, 1), (Bgr{85, 0, 0}));
    EXPECT_EQ(pixelAt(three, 3, 1), (Bgr{85, 0, 0}));
    Raster two(7, 7);
    const Raster zeroAndOne = makeRaster(6, 6, [](int x, int) {
        return Bgr{std::uint8_t(x == 2), 9, 9};
    });
    runDiscPass(0, 0, 4, 3, zeroAndOne, two, stepOf(1), PenStyle::Brush);
    EXPECT_EQ(pixelAt(two, 1, 1), (Bgr{0, 9, 9}));
    EXPECT_EQ(pixelAt(two, 3, 1), kWhite);
}

TEST(RegionPass, DegenerateAndOutsideRectanglesVisitNothing) {
    const Raster photo = rightwardRamp(50, 50);
    const Raster white(51, 51);
    for (PenStyle style : {PenStyle::Pencil, PenStyle::Brush, PenStyle::Eraser}) {
        Raster sketch = white;
        runDiscPass(20, 10, 21, 40, photo, sketch, stepOf(1), style);
        runDiscPass(30, 30, 20, 20, photo, sketch, stepOf(1), style);
        runDiscPass(200, 200, 260, 260, photo, sketch, stepOf(1), style);
        EXPECT_EQ(sketch, white);
    }
}

TEST(RegionPass, BorderFrameIsNeverDrawnAndCentreTruncatesTowardsZero) {
    const Raster photo(40, 40);
    const Raster black = makeRaster(41, 41, [](int, int) { return Bgr{0, 0, 0}; });
    Raster sketch = black;
    runDiscPass(-20, -20, 20, 20, photo, sketch, stepOf(1), PenStyle::Eraser);
    EXPECT_EQ(pixelAt(sketch, 0, 5), (Bgr{0, 0, 0}));
    EXPECT_EQ(pixelAt(sketch, 5, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(pixelAt(sketch, 1, 1), kWhite);

    // left = -31, right = 20: the centre is -5 (not -6), r^2 = 650; at dy = 20 the disc reaches
    // x = 10 only with the truncated centre.
    Raster truncated = makeRaster(101, 101, [](int, int) { return Bgr{0, 0, 0}; });
    runDiscPass(-31, 0, 20, 60, Raster(100, 100), truncated, stepOf(1), PenStyle::Eraser);
    EXPECT_EQ(pixelAt(truncated, 10, 50), kWhite);
    EXPECT_EQ(pixelAt(truncated, 11, 50), (Bgr{0, 0, 0}));
}

}  // namespace
}  // namespace carbonel
