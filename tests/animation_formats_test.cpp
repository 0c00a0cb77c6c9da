// The animation as animated WebP and MP4 beside the GIF: the frames, their timing and looping.
#include "animation/animation_formats.h"

#include <gtest/gtest.h>
#include <webp/demux.h>

#include <filesystem>
#include <random>

#include "gif_decoder.h"
#include "imageio/sketch_writer.h"
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

// The frames' timestamps (each frame's end, in ms) as libwebp's animation decoder gives them, each
// frame's pixels checked against `expected` (the composition it should show).
std::vector<int> decodeWebpTimes(const std::string& bytes, const std::vector<Raster>& expected) {
    WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    std::vector<int> times;
    if (!decoder) return times;
    while (WebPAnimDecoderHasMoreFrames(decoder)) {
        std::uint8_t* rgba = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder, &rgba, &timestamp)) break;
        const std::size_t i = times.size();
        times.push_back(timestamp);
        if (i >= expected.size()) continue;
        const Raster& picture = expected[i];
        // The first wrong pixel is reported, not every one after it.
        for (int y = 0; y < picture.height() && !::testing::Test::HasFailure(); ++y) {
            for (int x = 0; x < picture.width() && !::testing::Test::HasFailure(); ++x) {
                const std::uint8_t* p = rgba + 4 * (y * picture.width() + x);
                EXPECT_EQ((test::Bgr{p[2], p[1], p[0]}), test::pixelAt(picture, x, y))
                    << "frame " << i << " at " << x << "," << y;
            }
        }
    }
    WebPAnimDecoderDelete(decoder);
    return times;
}

TEST(AnimationFormats, UnchangedFramesLengthenTheFrameBefore) {
    test::TempDir dir;
    const Raster white(21, 11);
    Raster dot = white;
    test::setPixel(dot, 7, 5, {1, 2, 3});  // odd: the frame's box starts a column earlier
    Raster more = dot;
    test::setPixel(more, 19, 9, {4, 5, 6});
    Raster first = white, second = white;
    drawFrameSkippingWhite(first, dot);
    drawFrameSkippingWhite(second, more);
    // Three states of the composition: white, the dot, the dot and another.
    exportAnimationFile(listOf({white, white, dot, dot, white, more}), 21, 11,
                        (dir / "a.webp").string());
    const std::string bytes = test::readBytes(dir / "a.webp");
    EXPECT_EQ(decodeWebpTimes(bytes, {white, first, second}), (std::vector{600, 1500, 1800}));
    // The RIFF size is the file's.
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(
        std::uint32_t(std::uint8_t(bytes[4]) | std::uint8_t(bytes[5]) << 8 |
                      std::uint8_t(bytes[6]) << 16 | std::uint32_t(std::uint8_t(bytes[7])) << 24),
        bytes.size() - 8);
    const test::CommandResult info = test::runCommand("webpmux -info " + quoted(dir / "a.webp"));
    EXPECT_NE(info.output.find("Number of frames: 3"), std::string::npos) << info.output;
    // A frame too long for a WebP duration (24 bits of ms) is split.
    exportAnimationFile(listOf(std::vector<Raster>(30, dot)), 21, 11, (dir / "b.webp").string(),
                        {655350, 0});
    EXPECT_EQ(decodeWebpTimes(test::readBytes(dir / "b.webp"), {first, first}),
              (std::vector{25 * 655350, 30 * 655350}));
}

// `animate` writes every format to a file or to standard output, through the one composer: its
// GIF is the `gif` command's, a piped WebP the file's, and a piped MP4 (fragmented) has every
// frame.
TEST(AnimationFormats, AnimateWritesEveryFormatToAFileOrStandardOutput) {
    test::TempDir dir;
    const std::vector<Raster> frames = strokes(61, 41, 4);
    std::string names;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto name = dir / (std::to_string(i) + ".bmp");
        writeSketchFile(frames[i], name.string(), OutputFormat::Bmp, 0, 0);
        names.append(" ").append(quoted(name));
    }
    const std::string cli = test::quoted(CARBONEL_CLI);
    const auto piped = [&](const std::string& arguments, const char* name) {
        // Through cat, so that standard output is a pipe that cannot seek; the tool's status comes
        // on standard error, its only other output.
        const test::CommandResult result =
            test::runCommand("{ ( " + cli + " animate - " + arguments + names +
                             "; echo status $? >&2 ) | cat > " + quoted(dir / name) + "; }");
        EXPECT_EQ(result.output, "status 0\n") << arguments;
        return test::readBytes(dir / name);
    };
    ASSERT_EQ(test::cli("gif " + quoted(dir / "gif.gif") + names).status, 0);
    ASSERT_EQ(test::cli("animate " + quoted(dir / "animate.gif") + names).status, 0);
    const std::string gif = test::readBytes(dir / "gif.gif");
    EXPECT_TRUE(test::readBytes(dir / "animate.gif") == gif);
    EXPECT_TRUE(piped("", "plain.gif") == gif);  // a GIF unless --format says otherwise
    EXPECT_TRUE(piped("--format gif", "piped.gif") == gif);

    ASSERT_EQ(test::cli("animate " + quoted(dir / "file.webp") + names).status, 0);
    const std::string webp = piped("--format=webp", "piped.webp");
    EXPECT_TRUE(webp == test::readBytes(dir / "file.webp"));
    std::vector<Raster> compositions;
    Raster composition(61, 41);
    for (const Raster& frame : frames) {
        drawFrameSkippingWhite(composition, frame);
        compositions.push_back(composition);
        composition.detach();
    }
    EXPECT_EQ(decodeWebpTimes(webp, compositions), (std::vector{300, 600, 900, 1200}));

    ASSERT_EQ(test::cli("animate " + quoted(dir / "file.mp4") + names).status, 0);
    const std::string mp4 = piped("--format mp4 --delay 500", "piped.mp4");
    const auto probe = [&](const char* name) {
        const test::CommandResult result = test::runCommand(
            "ffprobe -v error -count_frames -show_entries "
            "stream=codec_name,nb_read_frames:format=duration -of flat " +
            quoted(dir / name));
        EXPECT_EQ(result.status, 0) << result.output;
        return result.output;
    };
    for (const char* expected :
         {"codec_name=\"h264\"", "nb_read_frames=\"4\"", "format.duration=\"2.000000\""})
        EXPECT_NE(probe("piped.mp4").find(expected), std::string::npos) << expected;
    EXPECT_NE(probe("file.mp4").find("nb_read_frames=\"4\""), std::string::npos);
    // The pipe's is fragmented; the file keeps its single index at the front.
    EXPECT_NE(mp4.find("moof"), std::string::npos);
    const std::string file = test::readBytes(dir / "file.mp4");
    EXPECT_EQ(file.find("moof"), std::string::npos);
    EXPECT_LT(file.find("moov"), file.find("mdat"));

    // --format names the formats it takes, and agrees with OUTPUT's extension.
    for (const std::string& bad : {"animate - --format png" + names,
                                   "animate " + quoted(dir / "a.gif") + " --format webp" + names,
                                   "animate - --format mp4 --loop 2" + names}) {
        const test::CommandResult result = test::cli(bad);
        EXPECT_EQ(result.status, 2) << bad;
        if (bad.find("png") != std::string::npos) {
            EXPECT_NE(result.output.find("gif, webp or mp4"), std::string::npos) << result.output;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "a.gif"));
}

TEST(AnimationFormats, SizesTheFormatCannotHoldAreRefusedBeforeAFile) {
    test::TempDir dir;
    const FrameList unread{1, [](int) -> Raster { throw Error("read"); }, {}};
    const auto refusal = [&](const char* name, int width, int height) {
        return test::errorOf(
            [&] { exportAnimationFile(unread, width, height, (dir / name).string()); });
    };
    const std::string webp = (dir / "a.webp").string(), mp4 = (dir / "a.mp4").string();
    EXPECT_EQ(refusal("a.webp", 16384, 16),
              webp + ": an animated WebP is at most 16383 pixels a side, not 16384x16");
    EXPECT_EQ(refusal("a.webp", 10, 16384),
              webp + ": an animated WebP is at most 16383 pixels a side, not 10x16384");
    EXPECT_EQ(refusal("a.mp4", 16385, 16),
              mp4 +
                  ": an H.264 video is at most 16384 pixels a side, not 16385x16 (16386x16 "
                  "with its odd side padded to even)");
    EXPECT_EQ(refusal("a.mp4", 16384, 16254),
              mp4 +
                  ": an H.264 video of 16384x16254 is larger than FFmpeg encodes: (width + 128) "
                  "x (height + 128) must stay under 268435455 pixels");
    EXPECT_EQ(refusal("a.mp4", 16383, 16253),
              mp4 +
                  ": an H.264 video of 16383x16253 (16384x16254 with its odd side padded to "
                  "even) is larger than FFmpeg encodes: (width + 128) x (height + 128) must "
                  "stay under 268435455 pixels");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    // The largest sizes pass the check: the frames are read.
    EXPECT_EQ(refusal("a.webp", 16383, 1), "read");
    EXPECT_EQ(refusal("a.mp4", 16384, 2), "read");
}

TEST(AnimationFormats, FramesAreReadARowAtATimeAndNamedFromTheFirst) {
    test::TempDir dir;
    // A 35-byte GIF claiming 16383 x 16383 pixels; its pixels end after the first. Read whole, it
    // would take 768 MiB, past the address space the animation is given here (512 MiB).
    std::string gif = "GIF89a";
    gif += std::string("\xff\x3f\xff\x3f\x80\x00\x00", 7);
    gif += std::string("\x00\x00\x00\xff\xff\xff", 6);
    gif += std::string(",\x00\x00\x00\x00\xff\x3f\xff\x3f\x00", 10);
    gif += std::string("\x02\x02\x44\x01\x00;", 6);
    ASSERT_EQ(gif.size(), 35u);
    test::writeBytes(dir / "huge.gif", gif);
    const std::string huge = (dir / "huge.gif").string();
#ifdef __SANITIZE_ADDRESS__
    const std::string limit = "";  // AddressSanitizer reserves terabytes of address space itself
#else
    const std::string limit = "ulimit -v 524288; ";
#endif
    for (const char* name : {"a.webp", "a.mp4"}) {
        const test::CommandResult result = test::runCommand(
            "bash -c \"" + limit + "exec " + test::quoted(CARBONEL_CLI) + " animate " +
            quoted(dir / name) + " " + quoted(dir / "huge.gif") + " --size 320x240\"");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(
            result.output.rfind("carbonel-cli: frame 1: " + huge + ": Cannot read the GIF", 0), 0u)
            << result.output;
        EXPECT_FALSE(std::filesystem::exists(dir / name));
    }
    // The first frame's failures while its size is read are numbered like every frame's.
    test::writeBytes(dir / "bad.gif", "GIF89a");
    const test::CommandResult bad =
        test::cli("animate " + quoted(dir / "a.webp") + " " + quoted(dir / "bad.gif"));
    EXPECT_EQ(bad.output.rfind("carbonel-cli: frame 1: " + (dir / "bad.gif").string() + ": ", 0),
              0u)
        << bad.output;
}

}  // namespace
}  // namespace carbonel
