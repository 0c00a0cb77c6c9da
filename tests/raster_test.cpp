#include "sketch/raster.h"

#include <gtest/gtest.h>

#include "sketch/convert.h"
#include "sketch/error.h"
#include "test_support.h"
#include "workspace/freehand.h"

namespace carbonel {
namespace {

using test::Bgr;
using test::pixelAt;
using test::setPixel;

using test::kWhite;

TEST(Raster, NewRasterIsWhiteAndRowsOutsideFail) {
    Raster raster;
    raster.setWidth(3);
    raster.setHeight(2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) EXPECT_EQ(pixelAt(raster, x, y), kWhite);
    }
    EXPECT_THROW(
        {
            try {
                raster.row(-1);
            } catch (const Error& error) {
                EXPECT_STREQ(error.what(), "Scan line index out of range");
                throw;
            }
        },
        Error);
    EXPECT_THROW(raster.row(2), Error);
    EXPECT_THROW(raster.mutableRow(2), Error);
}

TEST(Raster, ResizingKeepsTheOverlapAndWhitensTheRest) {
    Raster raster(4, 2);
    for (int x = 0; x < 4; ++x) setPixel(raster, x, 1, {std::uint8_t(x), 1, 2});
    raster.setWidth(6);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(pixelAt(raster, x, 1), (Bgr{std::uint8_t(x), 1, 2}));
    EXPECT_EQ(pixelAt(raster, 4, 1), kWhite);
    EXPECT_EQ(pixelAt(raster, 5, 1), kWhite);
    raster.setHeight(3);
    EXPECT_EQ(pixelAt(raster, 3, 1), (Bgr{3, 1, 2}));
    EXPECT_EQ(pixelAt(raster, 3, 2), kWhite);
    // Shrinking to nothing and growing again gives white, not the old pixels.
    raster.setHeight(0);
    raster.setHeight(2);
    EXPECT_EQ(pixelAt(raster, 3, 1), kWhite);
}

TEST(Raster, CopiesShareUntilWrittenAndThenDiffer) {
    Raster a(5, 5);
    setPixel(a, 2, 2, {1, 2, 3});
    Raster b = a;
    EXPECT_TRUE(b.sharesPixelsWith(a));
    setPixel(b, 2, 2, {9, 9, 9});
    EXPECT_FALSE(b.sharesPixelsWith(a));
    EXPECT_EQ(pixelAt(a, 2, 2), (Bgr{1, 2, 3}));
    EXPECT_EQ(pixelAt(b, 2, 2), (Bgr{9, 9, 9}));
}

TEST(Raster, RefusesSizesOverTheLimitBeforeAllocating) {
    Raster raster;
    EXPECT_THROW(raster.setSize(kMaxPictureSide + 1, 1), Error);
    EXPECT_THROW(raster.setSize(1, -1), Error);
    EXPECT_TRUE(raster.isEmpty());
    EXPECT_NO_THROW(raster.setSize(kMaxPictureSide, 1));
}

TEST(Raster, APhotoOfTheLargestSizeHasItsSketchEverywhere) {
    // The limit is the photo's: its sketch is one pixel wider and taller.
    const Raster paper = test::makeRaster(3, 2, [](int x, int) {
        return Bgr{9, 9, std::uint8_t(x)};
    });
    for (auto [width, height] : {std::pair{kMaxPhotoSide, 1}, std::pair{1, kMaxPhotoSide}}) {
        const Raster photo(width, height);
        ConversionOptions options;
        options.texture = &paper;
        EXPECT_EQ(convertPhoto(photo, options).width(), width + 1);
        Raster cleared;  // Clear with paper
        applyTexture(cleared, width, height, paper, TextureFit::Stretch);
        EXPECT_EQ(cleared.height(), height + 1);
        SketchSettings settings;
        EXPECT_NO_THROW(runFreehandPass({0, 0, width - 1, height - 1}, photo, cleared, settings,
                                        PenStyle::Pencil));
    }
    EXPECT_EQ(test::errorOf([] { convertPhoto(Raster(kMaxPhotoSide + 1, 1), {}); }),
              "Photo too large: 16385 x 1 pixels (at most 16384 in either direction)");
}

}  // namespace
}  // namespace carbonel
