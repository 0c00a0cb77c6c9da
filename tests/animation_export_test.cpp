#include "animation/animation_export.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "animation/gif_writer.h"
#include "animation/web_palette.h"
#include "gif_decoder.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "sketch/error.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::Bgr;
using test::kBlack;
using test::kWhite;
using test::makeRaster;

FrameList listOf(const std::vector<Raster>& frames) {
    return {static_cast<int>(frames.size()),
            [&frames](int i) { return frames[static_cast<std::size_t>(i)]; },
            {}};
}

test::DecodedGif exportAndDecode(const std::vector<Raster>& frames, int width, int height) {
    test::TempDir dir;
    exportAnimation(listOf(frames), width, height, (dir / "a.gif").string());
    return test::decodeGif(test::readBytes(dir / "a.gif"));
}

Raster whiteWith(int width, int height, int x0, int y0, Bgr colour) {
    return makeRaster(width, height,
                      [=](int x, int y) { return x == x0 && y == y0 ? colour : kWhite; });
}

TEST(ExportAnimation, FramesAccumulateOnANeverClearedComposition) {
    const Bgr red{0, 0, 255};
    const std::vector<Raster> frames = {
        whiteWith(6, 4, 1, 1, kBlack),
        whiteWith(6, 4, 1, 1, red),                   // a later frame wins where two overlap
        whiteWith(6, 4, 4, 2, kBlack), Raster(6, 4),  // all white: the same picture again
    };
    const test::DecodedGif decoded = exportAndDecode(frames, 6, 4);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    ASSERT_EQ(decoded.frames.size(), 4u);
    EXPECT_EQ(decoded.screenWidth, 6);
    EXPECT_EQ(decoded.loopCount, 0);
    EXPECT_EQ(decoded.loopExtensions, 1);
    EXPECT_EQ(decoded.loopExtensionFrame, 0);
    Raster composition(6, 4);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        drawFrameSkippingWhite(composition, frames[i]);
        EXPECT_EQ(decoded.frames[i].indices, ReduceColors(composition).indices) << i;
        EXPECT_EQ(decoded.frames[i].delay, 30);
        EXPECT_EQ(decoded.frames[i].transparentIndex, 215);
    }
    EXPECT_EQ(decoded.frames[2].indices[6 + 1], webColorLookup(255, 0, 0));
    EXPECT_EQ(decoded.frames[2].indices[2 * 6 + 4], 0);
    EXPECT_EQ(decoded.frames[3].indices, decoded.frames[2].indices);
}

TEST(ExportAnimation, EachFrameMakesItsOwnCornerTransparent) {
    const Bgr paper{200, 190, 180};
    const std::vector<Raster> frames = {
        Raster(5, 5),
        makeRaster(5, 5, [&](int, int) { return paper; }),
    };
    const test::DecodedGif decoded = exportAndDecode(frames, 5, 5);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.frames[0].transparentIndex, 215);
    EXPECT_EQ(decoded.frames[1].transparentIndex, webColorLookup(180, 190, 200));
}

TEST(ExportAnimation, FramesAreScaledByRepeatingOrDroppingPixels) {
    const Raster frame = makeRaster(2, 2, [](int x, int y) {
        return Bgr{std::uint8_t(x ? 255 : 0), std::uint8_t(y ? 255 : 0), 0};
    });
    Raster enlarged(4, 6);
    drawFrameSkippingWhite(enlarged, frame);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(test::pixelAt(enlarged, x, y), test::pixelAt(frame, x / 2, y / 3))
                << x << "," << y;
        }
    }
    const Raster stripes = makeRaster(9, 3, [](int x, int) {
        return x % 3 == 1 ? kBlack : Bgr{0, 0, 200};
    });
    Raster reduced(3, 3);
    drawFrameSkippingWhite(reduced, stripes);  // every third column kept, nothing mixed
    for (int x = 0; x < 3; ++x) EXPECT_EQ(test::pixelAt(reduced, x, 1), kBlack);
    // Frames of other sizes are stretched over the whole animation.
    const test::DecodedGif decoded = exportAndDecode({Raster(3, 3), stripes}, 4, 4);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.frames[1].width, 4);
}

TEST(ExportAnimation, DrawingRowsAsTheyAreReadGivesTheWholeFramesPixels) {
    std::mt19937 random(3);
    // Frames larger, smaller and of other proportions than the composition, half their pixels
    // white, some the colour the composition already has there.
    const Bgr grey{90, 90, 90};
    Raster byFrames = makeRaster(13, 9, [&](int x, int) { return x < 4 ? grey : kWhite; });
    Raster byRows = byFrames;
    for (const auto& [width, height] : {std::pair{13, 9}, {40, 31}, {5, 3}, {7, 20}, {1, 1}}) {
        const Raster frame = makeRaster(width, height, [&](int, int) {
            const unsigned pick = random() % 4;
            return pick < 2 ? kWhite : pick == 2 ? grey : Bgr{0, std::uint8_t(random()), 9};
        });
        const Raster before = byRows;
        drawFrameSkippingWhite(byFrames, frame);
        std::vector<std::uint8_t> flags;
        const PixelBox changed = drawFrameRows(byRows, *rasterRows(frame), &flags);
        ASSERT_EQ(byRows, byFrames) << width << "x" << height;
        // The box is the smallest around the pixels that changed, and each of them is flagged.
        PixelBox expected{13, 9, 0, 0};
        for (int y = 0; y < 9; ++y) {
            for (int x = 0; x < 13; ++x) {
                const bool same = test::pixelAt(before, x, y) == test::pixelAt(byRows, x, y);
                ASSERT_EQ(flags.at(std::size_t(y * 13 + x)), same ? 0 : 1) << x << "," << y;
                if (same) continue;
                expected = {std::min(expected.left, x), std::min(expected.top, y),
                            std::max(expected.right, x + 1), std::max(expected.bottom, y + 1)};
            }
        }
        if (expected.isEmpty()) expected = {};
        EXPECT_EQ((std::array{changed.left, changed.top, changed.right, changed.bottom}),
                  (std::array{expected.left, expected.top, expected.right, expected.bottom}));
    }
    // Drawing the same frame again changes nothing.
    const Raster again = makeRaster(13, 9, [](int x, int y) { return x == y ? kBlack : kWhite; });
    drawFrameRows(byRows, *rasterRows(again));
    EXPECT_TRUE(drawFrameRows(byRows, *rasterRows(again)).isEmpty());
}

TEST(ExportAnimation, ManyFramesHaveOneLoopExtension) {
    std::vector<Raster> frames;
    for (int i = 0; i < 300; ++i)
        frames.push_back(whiteWith(8, 6, i % 8, i % 5, Bgr{0, std::uint8_t(i), 0}));
    const test::DecodedGif decoded = exportAndDecode(frames, 8, 6);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.frames.size(), 300u);
    EXPECT_EQ(decoded.loopExtensions, 1);
    for (const test::DecodedFrame& frame : decoded.frames) EXPECT_EQ(frame.delay, 30);
    // Written a few frames at a time, the file is byte for byte the whole animation's.
    for (int count : {1, 4, 5, 9}) {
        const std::vector<Raster> some(frames.begin(), frames.begin() + count);
        test::TempDir dir;
        exportAnimation(listOf(some), 8, 6, (dir / "a.gif").string());
        std::string whole;
        writeGif(buildAnimation(listOf(some), 8, 6), whole);
        EXPECT_TRUE(test::readBytes(dir / "a.gif") == whole) << count;
    }
}

TEST(ExportAnimation, RefusesBadAnimationsBeforeMakingAFile) {
    test::TempDir dir;
    const std::vector<Raster> none;
    const std::vector<Raster> one = {Raster(4, 4)};
    const std::string path = (dir / "a.gif").string();
    EXPECT_EQ(test::errorOf([&] { exportAnimation(listOf(none), 4, 4, path); }),
              "Unsupported GIF version");
    EXPECT_EQ(test::errorOf([&] { exportAnimation(listOf(one), 0, 4, path); }),
              "Invalid pixel coordinates");
    EXPECT_EQ(test::errorOf([&] { exportAnimation(listOf(one), 4, 0, path); }),
              "Invalid pixel coordinates");
    EXPECT_FALSE(std::filesystem::exists(path));
    const std::string nowhere = (dir / "missing" / "a.gif").string();
    EXPECT_EQ(test::errorOf([&] { exportAnimation(listOf(one), 4, 4, nowhere); }),
              "Cannot create file " + nowhere + ": No such file or directory");
    test::writeBytes(dir / "old.gif", "old");
    const FrameList failing{2,
                            [&](int i) -> Raster {
                                if (i == 1) return loadPicture((dir / "absent.bmp").string());
                                return Raster(4, 4);
                            },
                            {}};
    EXPECT_THROW(exportAnimation(failing, 4, 4, (dir / "old.gif").string()), Error);
    EXPECT_EQ(test::readBytes(dir / "old.gif"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace carbonel
