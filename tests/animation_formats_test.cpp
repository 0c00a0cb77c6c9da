// The animation as animated WebP and MP4 beside the GIF: the frames, their timing and looping.
#include "animation/animation_formats.h"

#include <gtest/gtest.h>
#include <webp/demux.h>

#include <filesystem>
#include <random>

#include "gif_decoder.h"
#include "sketch/error.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::quoted;

// Frames as the recorder hands them over: white sheets with strokes that grow.
std::vector<Raster> strokes(int width, int height, int count) {
    std::mt19937 random(7);
    std::vector<Raster> frames;
    Raster sheet(width, height);
    for (int i = 0; i < count; ++i) {
        for (int n = 0; n < 40; ++n) {
            const int x = int(random() % unsigned(width)), y = int(random() % unsigned(height));
            test::setPixel(sheet, x, y,
                           {std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(i * 40)});
        }
        frames.push_back(sheet);
        sheet.detach();
    }
    return frames;
}

FrameList listOf(const std::vector<Raster>& frames) {
    return {static_cast<int>(frames.size()),
            [&frames](int i) { return frames[static_cast<std::size_t>(i)]; },
            {}};
}

TEST(AnimationFormats, WebpHoldsEveryComposedFrameExactly) {
    test::TempDir dir;
    const std::vector<Raster> frames = strokes(61, 41, 5);
    exportAnimationFile(listOf(frames), 61, 41, (dir / "a.webp").string());
    const std::string bytes = test::readBytes(dir / "a.webp");
    WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
    WebPAnimDecoderOptions options;
    ASSERT_TRUE(WebPAnimDecoderOptionsInit(&options));
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    ASSERT_NE(decoder, nullptr);
    WebPAnimInfo info;
    ASSERT_TRUE(WebPAnimDecoderGetInfo(decoder, &info));
    EXPECT_EQ(info.frame_count, 5u);
    EXPECT_EQ(info.loop_count, 0u);  // for ever
    Raster composition(61, 41);
    for (int i = 0; WebPAnimDecoderHasMoreFrames(decoder); ++i) {
        std::uint8_t* rgba = nullptr;
        int timestamp = 0;
        ASSERT_TRUE(WebPAnimDecoderGetNext(decoder, &rgba, &timestamp));
        EXPECT_EQ(timestamp, 300 * (i + 1));
        drawFrameSkippingWhite(composition, frames[std::size_t(i)]);
        for (int y = 0; y < 41; ++y) {
            for (int x = 0; x < 61; ++x) {
                const std::uint8_t* p = rgba + 4 * (y * 61 + x);
                const test::Bgr expected = test::pixelAt(composition, x, y);
                ASSERT_EQ((test::Bgr{p[2], p[1], p[0]}), expected) << i << " " << x << "," << y;
                ASSERT_EQ(p[3], 255);  // white paper, not transparent
            }
        }
    }
    WebPAnimDecoderDelete(decoder);
    const test::CommandResult info2 = test::runCommand("webpmux -info " + quoted(dir / "a.webp"));
    EXPECT_NE(info2.output.find("Number of frames: 5"), std::string::npos) << info2.output;
    EXPECT_NE(info2.output.find("Loop Count : 0"), std::string::npos) << info2.output;
}

TEST(AnimationFormats, Mp4HasTheFramesAndTheGifsDuration) {
    test::TempDir dir;
    const std::vector<Raster> frames = strokes(61, 41, 7);
    exportAnimationFile(listOf(frames), 61, 41, (dir / "a.mp4").string());
    const test::CommandResult probe = test::runCommand(
        "ffprobe -v error -count_frames -show_entries "
        "stream=codec_name,nb_read_frames,width,height,pix_fmt:format=duration -of flat " +
        quoted(dir / "a.mp4"));
    ASSERT_EQ(probe.status, 0) << probe.output;
    for (const char* expected :
         {"codec_name=\"h264\"", "nb_read_frames=\"7\"", "width=62", "height=42",
          "pix_fmt=\"yuv420p\"", "format.duration=\"2.100000\""})
        EXPECT_NE(probe.output.find(expected), std::string::npos) << expected << probe.output;
}

TEST(AnimationFormats, TheGifStaysAndBadInputLeavesNoFile) {
    test::TempDir dir;
    const std::vector<Raster> frames = strokes(30, 20, 3);
    exportAnimation(listOf(frames), 30, 20, (dir / "gif.gif").string());
    exportAnimationFile(listOf(frames), 30, 20, (dir / "file.gif").string());
    EXPECT_TRUE(test::readBytes(dir / "gif.gif") == test::readBytes(dir / "file.gif"));
    for (const char* name : {"x.webp", "x.mp4"}) {
        EXPECT_EQ(test::errorOf([&] { exportAnimationFile({}, 30, 20, (dir / name).string()); }),
                  "Unsupported GIF version");
        EXPECT_EQ(test::errorOf(
                      [&] { exportAnimationFile(listOf(frames), 0, 20, (dir / name).string()); }),
                  "Invalid pixel coordinates");
        EXPECT_FALSE(std::filesystem::exists(dir / name));
    }
    EXPECT_EQ(test::errorOf([&] { exportAnimationFile(listOf(frames), 30, 20, "a.avi"); }),
              "a.avi: animations are written as .gif, .webp or .mp4");
    // Other timing: each frame's delay and the loop count follow.
    exportAnimationFile(listOf(frames), 30, 20, (dir / "slow.webp").string(), {500, 2});
    const test::CommandResult info = test::runCommand("webpmux -info " + quoted(dir / "slow.webp"));
    EXPECT_NE(info.output.find("Loop Count : 2"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("   500 "), std::string::npos) << info.output;
    // A GIF counts the plays after the first: twice is one more, once is no loop at all.
    for (const auto& [loops, written] : {std::pair{2, 1}, std::pair{1, -1}, std::pair{0, 0}}) {
        exportAnimationFile(listOf(frames), 30, 20, (dir / "n.gif").string(), {500, loops});
        const test::DecodedGif decoded = test::decodeGif(test::readBytes(dir / "n.gif"));
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.loopCount, written) << loops;
        EXPECT_EQ(decoded.frames.front().delay, 50);
    }
}

}  // namespace
}  // namespace carbonel
