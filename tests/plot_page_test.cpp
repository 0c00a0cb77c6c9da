#include "imageio/plot_page.h"

#include <gtest/gtest.h>

#include "sketch/error.h"

namespace carbonel {
namespace {

TEST(PlotPage, NamesAndFitting) {
    EXPECT_EQ(plotPageNamed("A4"), (PlotPage{210, 297}));
    EXPECT_EQ(plotPageNamed("letter"), (PlotPage{215.9, 279.4}));
    EXPECT_EQ(plotPageNamed("100x50.5mm"), (PlotPage{100, 50.5}));
    for (const char* bad : {"A6", "x297mm", "210x297", "210x0mm", "-1x5mm", "axbmm", ""})
        EXPECT_FALSE(plotPageNamed(bad)) << bad;

    // A landscape drawing turns the sheet; fitted inside the margins and centred.
    const PageLayout wide = layOnPage(PlotPage{210, 297}, 400, 200);
    EXPECT_DOUBLE_EQ(wide.width, 297);
    EXPECT_DOUBLE_EQ(wide.height, 210);
    EXPECT_DOUBLE_EQ(wide.scale, (297.0 - 20) / 400);
    EXPECT_DOUBLE_EQ(wide.left, 10);
    EXPECT_DOUBLE_EQ(wide.top, (210 - 200 * wide.scale) / 2);
    // Asked for portrait, the same drawing is narrower and lies across the middle.
    const PageLayout upright =
        layOnPage(PlotPage{210, 297, 10, PlotPage::Turn::Portrait}, 400, 200);
    EXPECT_DOUBLE_EQ(upright.width, 210);
    EXPECT_DOUBLE_EQ(upright.scale, 190.0 / 400);
    EXPECT_DOUBLE_EQ(upright.top, (297 - 200 * upright.scale) / 2);
    EXPECT_THROW(layOnPage(PlotPage{210, 297, 105}, 10, 10), Error);
}

}  // namespace
}  // namespace carbonel
