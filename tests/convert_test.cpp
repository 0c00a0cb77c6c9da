#include "sketch/convert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <new>
#include <random>

#include "sketch/row_sketcher.h"
#include "sketch/team.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::Bgr;
using test::makeRaster;
using test::pixelAt;

using test::kWhite;

// Random pictures with soft areas as well as noise, so that every threshold meets both decided
// and undecided pixels.
Raster mixedPhoto(int width, int height, std::mt19937& random) {
    Raster noise = test::randomRaster(width, height, random);
    return makeRaster(width, height, [&](int x, int y) {
        if ((x / 7 + y / 5) % 3 == 0) return pixelAt(noise, x, y);
        const auto v = static_cast<std::uint8_t>((x * 5 + y * 3) % 256);
        return Bgr{v, static_cast<std::uint8_t>(v / 2), static_cast<std::uint8_t>(255 - v)};
    });
}

TEST(Team, AnExceptionInOneMemberReachesTheCallerAfterTheWholeTeam) {
    std::atomic<int> finished{0}, team{0};
    EXPECT_THROW(runOnTeam(2,
                           [&](int member, int size) {
                               team = size;
                               if (member == 0) throw std::bad_alloc();
                               ++finished;
                           }),
                 std::bad_alloc);
    EXPECT_EQ(finished, team - 1);
}

TEST(RowSketcher, RowByRowGivesTheWholePicturesBytes) {
    std::mt19937 random(77);
    const Raster paper = test::randomRaster(13, 9, random);
    // Heights around the ring (2L + 1 rows) and the decided band's edges, widths too.
    for (int line : {1, 2, 5}) {
        for (int height : {1, line, 2 * line, 2 * line + 1, 3 * line + 2, 3 * line + 3, 40}) {
            const Raster photo = mixedPhoto(3 * line + 4, height, random);
            for (PenStyle style : {PenStyle::Pen, PenStyle::Pencil, PenStyle::Pastel}) {
                for (int sheet = 0; sheet < 3; ++sheet) {
                    ConversionOptions options;
                    options.line = line;
                    options.style = style;
                    options.texture = sheet == 0 ? nullptr : &paper;
                    options.textureFit = sheet == 2 ? TextureFit::Stretch : TextureFit::Tile;
                    Raster streamed(photo.width() + 1, photo.height() + 1);
                    int next = 0;
                    RowSketcher sketcher(photo.width(), photo.height(), options,
                                         [&](int y, const std::uint8_t* row) {
                                             ASSERT_EQ(y, next++);
                                             std::memcpy(streamed.mutableRowUnchecked(y), row,
                                                         std::size_t(streamed.width()) * 3);
                                         });
                    for (int y = 0; y < photo.height(); ++y)
                        sketcher.addPhotoRow(photo.rowUnchecked(y));
                    sketcher.finish();
                    ASSERT_EQ(next, photo.height() + 1);
                    EXPECT_EQ(streamed, convertPhoto(photo, options))
                        << line << " " << height << " " << sheet;
                }
            }
        }
    }
}

TEST(Convert, FastPathGivesTheReferenceBytesForEveryStyleAndLineStep) {
    std::mt19937 random(1234);
    const Raster photo = mixedPhoto(97, 71, random);
    const Raster paper = test::randomRaster(13, 9, random);
    for (PenStyle style : {PenStyle::Pen, PenStyle::Pencil, PenStyle::Pastel}) {
        for (int line = 1; line <= 15; ++line) {
            for (int precision : {0, 57, 170, 200}) {
                ConversionOptions options;
                options.style = style;
                options.line = line;
                options.precision = precision;
                options.texture = line % 2 ? &paper : nullptr;
                options.threads = 1 + line % 2;
                ASSERT_EQ(convertPhoto(photo, options), convertPhotoReference(photo, options))
                    << "style " << static_cast<int>(style) << " line " << line << " precision "
                    << precision;
            }
        }
    }
}

TEST(Convert, FastPathMatchesOnPhotosAtTheEdgeOfHavingDecidedPixels) {
    std::mt19937 random(99);
    for (int line : {1, 2, 5}) {
        for (int side = 3 * line; side <= 3 * line + 4; ++side) {
            const Raster photo = test::randomRaster(side, side + 1, random);
            ConversionOptions options;
            options.line = line;
            options.precision = 200;
            options.style = PenStyle::Pencil;
            EXPECT_EQ(convertPhoto(photo, options), convertPhotoReference(photo, options)) << side;
        }
    }
}

TEST(Convert, StartSettingsSizeTheSketchAndLeaveTheFrameWhite) {
    std::mt19937 random(7);
    const Raster photo = test::randomRaster(40, 30, random);
    const Raster sketch = convertPhoto(photo, ConversionOptions{});
    ASSERT_EQ(sketch.width(), 41);
    ASSERT_EQ(sketch.height(), 31);
    int darkened = 0;
    for (int y = 0; y < 31; ++y) {
        for (int x = 0; x < 41; ++x) {
            const bool mayBeDecided = x >= 2 && x <= 37 && y >= 2 && y <= 27;
            if (!mayBeDecided) {
                EXPECT_EQ(pixelAt(sketch, x, y), kWhite) << x << "," << y;
            }
            darkened += pixelAt(sketch, x, y) != kWhite;
        }
    }
    EXPECT_GT(darkened, 0);
    EXPECT_EQ(convertPhoto(photo, ConversionOptions{}), sketch);  // converting again: the same
}

TEST(Convert, LineFifteenLeavesWideUndecidedFramesAndTinyPhotosStayBlank) {
    std::mt19937 random(3);
    const Raster photo = test::randomRaster(80, 70, random);
    ConversionOptions options;
    options.line = 15;
    options.precision = 200;
    const Raster sketch = convertPhoto(photo, options);
    for (int y = 0; y < 71; ++y) {
        for (int x = 0; x < 81; ++x) {
            const bool mayBeDecided = x >= 30 && x <= 80 - 17 && y >= 30 && y <= 70 - 17;
            if (!mayBeDecided) {
                ASSERT_EQ(pixelAt(sketch, x, y), kWhite) << x << "," << y;
            }
        }
    }
    // At 3L + 1 pixels nothing is decided; at 3L + 2 a single column is.
    options.line = 2;
    const Raster narrow = makeRaster(7, 20, [](int x, int) {
        return x < 5 ? Bgr{0, 0, 0} : kWhite;
    });
    EXPECT_EQ(convertPhoto(narrow, options), Raster(8, 21));
    const Raster wider = makeRaster(8, 20, [](int x, int) {
        return x < 5 ? Bgr{0, 0, 0} : kWhite;
    });
    const Raster decided = convertPhoto(wider, options);
    EXPECT_NE(pixelAt(decided, 4, 10), kWhite);
    EXPECT_EQ(decided.width(), 9);
}

TEST(Convert, StrokesGoOnThePaper) {
    const Raster photo = makeRaster(30, 30, [](int x, int) {
        return x < 15 ? Bgr{0, 0, 0} : kWhite;
    });
    const Raster paper = makeRaster(4, 4, [](int, int) { return Bgr{200, 210, 220}; });
    ConversionOptions options;
    options.texture = &paper;
    options.style = PenStyle::Pencil;
    const Raster pencil = convertPhoto(photo, options);
    EXPECT_EQ(pixelAt(pencil, 0, 0), (Bgr{200, 210, 220}));  // undecided: the paper
    EXPECT_EQ(pixelAt(pencil, 14, 10), (Bgr{0, 0, 0}));      // darkened from the paper
    options.style = PenStyle::Pastel;
    const Raster pastel = convertPhoto(photo, options);
    EXPECT_EQ(pixelAt(pastel, 14, 10), (Bgr{0, 0, 0}));  // the photo's own colour
    EXPECT_EQ(pixelAt(pastel, 20, 10), (Bgr{200, 210, 220}));
}

TEST(Convert, BrushAndEraserFollowTheRegionPass) {
    std::mt19937 random(5);
    const Raster photo = test::randomRaster(60, 40, random);
    ConversionOptions options;
    options.style = PenStyle::Eraser;
    const Raster paper = makeRaster(3, 3, [](int, int) { return Bgr{1, 2, 3}; });
    options.texture = &paper;
    const Raster erased = convertPhoto(photo, options);  // Eraser sketches nothing: only paper
    EXPECT_EQ(pixelAt(erased, 30, 20), (Bgr{1, 2, 3}));
    EXPECT_EQ(pixelAt(erased, 1, 1), (Bgr{1, 2, 3}));
    options.texture = nullptr;
    options.style = PenStyle::Brush;
    const Raster brushed = convertPhoto(photo, options);
    EXPECT_EQ(pixelAt(brushed, 30, 20), pixelAt(brushed, 25, 18));  // one mean colour in the disc
    EXPECT_NE(pixelAt(brushed, 30, 20), kWhite);
    options.style = PenStyle::Pen;
    EXPECT_EQ(convertPhoto(photo, options), convertPhotoReference(photo, options));
}

}  // namespace
}  // namespace carbonel
