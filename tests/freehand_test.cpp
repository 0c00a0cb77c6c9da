#include "workspace/freehand.h"

#include <gtest/gtest.h>

#include <random>

#include "sketch/error.h"
#include "sketch/region_pass.h"
#include "test_support.h"
#include "workspace/lazy_white_sheet.h"
#include "workspace/pane_layout.h"

namespace carbonel {
namespace {

TEST(PaneLayout, FitsThePhotoIntoEachHalf) {
    const PaneLayout wide = layoutPanes(690, 346, 400, 300);
    EXPECT_EQ(wide.photo, (PaneGeometry{0, 44, 345, 258}));
    EXPECT_EQ(wide.sketch, (PaneGeometry{345, 44, 345, 258}));
    const PaneLayout tall = layoutPanes(690, 346, 300, 600);
    EXPECT_EQ(tall.photo, (PaneGeometry{86, 0, 173, 346}));
    EXPECT_EQ(tall.sketch, (PaneGeometry{431, 0, 173, 346}));
    const PaneLayout none = layoutPanes(690, 346, 0, 0);
    EXPECT_EQ(none.photo.width, 0);
    EXPECT_EQ(layoutPanes(1, 0, 10, 10).sketch.height, 0);  // a collapsed window
}

TEST(PaneLayout, ViewerFillsOneWayAndCentresTheOther) {
    EXPECT_EQ(fitPicture(300, 200, 300, 200), (PaneGeometry{0, 0, 300, 200}));
    EXPECT_EQ(fitPicture(1000, 500, 300, 600), (PaneGeometry{375, 0, 250, 500}));
    EXPECT_EQ(fitPicture(400, 1000, 400, 200), (PaneGeometry{0, 400, 400, 200}));
    // The viewer never enlarges a picture.
    EXPECT_EQ(fitPictureAtMostRealSize(1000, 500, 300, 200), (PaneGeometry{350, 150, 300, 200}));
    EXPECT_EQ(fitPictureAtMostRealSize(1000, 500, 300, 600), (PaneGeometry{375, 0, 250, 500}));
}

TEST(FreehandStroke, SketchStylesDrawOnEverySquareRootthMove) {
    FreehandStroke stroke;
    std::vector<int> drawn;
    stroke.press(false);
    for (int move = 0; move <= 12; ++move) {  // move 0 is the press itself
        if (stroke.drawsNow(false, PenStyle::Pencil)) drawn.push_back(move);
        stroke.countMove(32);
    }
    EXPECT_EQ(drawn, (std::vector<int>{0, 5, 10}));
    EXPECT_TRUE(stroke.drawsNow(false, PenStyle::Brush));  // Brush draws on every move
    stroke.release();
    EXPECT_FALSE(stroke.drawsNow(false, PenStyle::Brush));
    EXPECT_TRUE(stroke.drawsNow(true, PenStyle::Pen));  // Ctrl draws without a button
    stroke.press(true);                                 // the second press of a double-click
    EXPECT_FALSE(stroke.drawing());
}

TEST(BrushRectangle, MapsThePaneOntoThePhoto) {
    EXPECT_EQ(brushRectangle(100, 50, 10, 1, 400, 300, 600), (BrushRectangle{180, 80, 220, 120}));
    EXPECT_FALSE(brushRectangle(1, 50, 10, 1, 400, 300, 600));
    EXPECT_FALSE(brushRectangle(100, 299, 10, 1, 400, 300, 600));
    EXPECT_TRUE(brushRectangle(2, 2, 10, 1, 400, 300, 600));
    EXPECT_FALSE(brushOutlineVisible(3, 50, 400, 300));
    EXPECT_TRUE(brushOutlineVisible(4, 50, 400, 300));
    EXPECT_FALSE(brushOutlineVisible(396, 50, 400, 300));
}

TEST(FreehandPass, FastDiscGivesThePerPixelPassBytes) {
    std::mt19937 random(11);
    const Raster photo = test::randomRaster(90, 70, random);
    std::uniform_int_distribution<int> position(-30, 110);
    std::uniform_int_distribution<int> size(0, 70);
    for (int trial = 0; trial < 400; ++trial) {
        SketchSettings settings;
        settings.lineStep = 1 + trial % 15;
        settings.edgeThreshold = (trial * 37) % 201;
        const PenStyle style =
            std::array{PenStyle::Pen, PenStyle::Pencil, PenStyle::Pastel}[trial % 3];
        const int left = position(random), top = position(random);
        const BrushRectangle rectangle{left, top, left + size(random), top + size(random)};
        Raster expected = test::randomRaster(91, 71, random);
        Raster fast = expected;
        bool referenceFinished = true;
        try {
            runDiscPass(rectangle.left, rectangle.top, rectangle.right, rectangle.bottom, photo,
                        expected, settings, style);
        } catch (const Error&) {
            referenceFinished = false;
        }
        EXPECT_EQ(runFreehandPass(rectangle, photo, fast, settings, style), referenceFinished)
            << trial;
        ASSERT_EQ(fast, expected) << "trial " << trial << " line " << settings.lineStep;
    }
}

// Passes on a sheet whitened only where they draw give the bytes of a sheet whitened at once; the
// pane's rows read as white until a pass touches them.
TEST(LazyWhiteSheet, DrawsAsAWholeWhiteSheet) {
    std::mt19937 random(5);
    const Raster photo = test::randomRaster(600, 70, random);
    std::uniform_int_distribution<int> position(-30, 620);
    for (int trial = 0; trial < 60; ++trial) {
        SketchSettings settings;
        settings.lineStep = 1 + trial % 3;
        settings.edgeThreshold = 20;
        const PenStyle style = std::array{PenStyle::Pen, PenStyle::Pencil, PenStyle::Pastel,
                                          PenStyle::Brush, PenStyle::Eraser}[trial % 5];
        const int width = 600 + 1, height = 70 + 1;
        Raster eager(width, height), lazy;
        LazyWhiteSheet sheet;
        sheet.start(lazy, width, height);
        for (int step = 0; step < 3; ++step) {
            const int left = position(random), top = position(random) % 90 - 10;
            const BrushRectangle rectangle{left, top, left + 40, top + 30};
            const BrushRectangle area = sketchAreaOf(rectangle);
            sheet.fillArea(lazy, area.left, area.top, area.right, area.bottom);
            runFreehandPass(rectangle, photo, lazy, settings, style);
            runFreehandPass(rectangle, photo, eager, settings, style);
        }
        for (int y = 0; y < height; ++y) {
            if (sheet.readyRow(lazy, y)) {
                EXPECT_TRUE(std::all_of(eager.row(y), eager.row(y) + 3 * width,
                                        [](std::uint8_t c) { return c == 255; }));
            } else {
                ASSERT_TRUE(std::equal(lazy.row(y), lazy.row(y) + 3 * width, eager.row(y)))
                    << trial << " row " << y;
            }
        }
        sheet.finish(lazy);
        ASSERT_EQ(lazy, eager) << trial;
        EXPECT_FALSE(sheet.pending());
    }
    // A picture put in the sheet's place unannounced is never whitened.
    Raster replaced;
    LazyWhiteSheet sheet;
    sheet.start(replaced, 20, 10);
    const Raster other = test::randomRaster(20, 10, random);
    replaced = other;
    sheet.finish(replaced);
    EXPECT_EQ(replaced, other);
    EXPECT_FALSE(sheet.pending());
}

}  // namespace
}  // namespace carbonel
