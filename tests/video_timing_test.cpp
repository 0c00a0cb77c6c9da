// The rules of a sketch video that need no video: which frames are shown when, the names of one
// picture a frame, what an output name asks for, and how a display matrix turns frames upright.
#include <gtest/gtest.h>

#include "animation/display_matrix.h"
#include "animation/frame_pattern.h"
#include "animation/frame_timeline.h"
#include "animation/video_outputs.h"
#include "sketch/error.h"
#include "test_support.h"

namespace carbonel {
namespace {

using Shown = std::vector<ShownFrame>;

// Every frame's showings, the frames starting at `times` and the last one lasting `last`.
std::vector<Shown> play(FrameTimeline& timeline, const std::vector<std::int64_t>& times,
                        std::int64_t last) {
    std::vector<Shown> shown;
    for (std::size_t i = 1; i <= times.size(); ++i) {
        Shown next = timeline.next(times[i - 1]);
        if (i > 1)
            shown.push_back(next);
        else
            EXPECT_TRUE(next.empty());
    }
    shown.push_back(timeline.finish(last));
    return shown;
}

TEST(FrameTimeline, KeepsEachFramesOwnTimeAndCutsThePartAskedFor) {
    // A variable rate, in milliseconds: each frame lasts until the next starts.
    FrameTimeline whole({1, 1000}, 0, std::nullopt, std::nullopt);
    EXPECT_EQ(play(whole, {0, 40, 100, 110}, 40),
              (std::vector<Shown>{{{0, 40}}, {{40, 60}}, {{100, 10}}, {{110, 40}}}));
    EXPECT_TRUE(whole.ended());

    // From 50 ms for 55 ms: the frame on screen at 50 starts the video, the one past the end is
    // not shown, and the one the end cuts is shortened.
    FrameTimeline part({1, 1000}, 50, 105, std::nullopt);
    EXPECT_TRUE(part.next(0).empty());
    EXPECT_TRUE(part.next(40).empty());  // 0..40 lies before the start
    EXPECT_EQ(part.next(100), (Shown{{0, 50}}));
    EXPECT_FALSE(part.ended());
    EXPECT_EQ(part.next(110), (Shown{{50, 5}}));
    EXPECT_TRUE(part.ended());
    EXPECT_TRUE(part.next(150).empty());
    EXPECT_TRUE(part.finish(40).empty());

    // Times that do not grow (a damaged stream) follow the frame before.
    FrameTimeline damaged({1, 1000}, 0, std::nullopt, std::nullopt);
    EXPECT_EQ(play(damaged, {0, 40, 40, 30}, 40),
              (std::vector<Shown>{{{0, 40}}, {{40, 1}}, {{41, 1}}, {{42, 40}}}));
}

TEST(FrameTimeline, ResamplesToARateByRepeatingAndDroppingFrames) {
    // 10 frames a second (time base 1/10) to 25: each tick shows the frame on screen, each
    // frame's start rounded to the nearest tick (0.1 s is 2.5 ticks: rounded away from zero).
    FrameTimeline up({1, 10}, 0, std::nullopt, Ratio{25, 1});
    EXPECT_EQ(up.outputTimeBase().num, 1);
    EXPECT_EQ(up.outputTimeBase().den, 25);
    EXPECT_EQ(
        play(up, {0, 1, 2}, 1),
        (std::vector<Shown>{{{0, 1}, {1, 1}, {2, 1}}, {{3, 1}, {4, 1}}, {{5, 1}, {6, 1}, {7, 1}}}));

    // 30 frames a second to 10, from 0.2 s for 0.3 s: every third frame, three in all; the frame
    // at 0.233 s rounds to the first tick too, and being later, takes it.
    FrameTimeline down({1, 30}, 6, 15, Ratio{10, 1});
    std::vector<std::int64_t> ticks;
    for (std::int64_t time = 0; time < 30 && !down.ended(); ++time) {
        for (const ShownFrame& frame : down.next(time)) {
            EXPECT_EQ(frame.duration, 1);
            ticks.push_back(frame.time);
            EXPECT_EQ(time - 1, 7 + 3 * frame.time) << "tick " << frame.time;
        }
    }
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{0, 1, 2}));
}

TEST(FramePattern, NamesFramesAsFfmpegNumbersThem) {
    const std::optional<FramePattern> padded = FramePattern::parse("out/%05d.png");
    ASSERT_TRUE(padded);
    EXPECT_EQ(padded->name(1), "out/00001.png");
    EXPECT_EQ(padded->name(123456), "out/123456.png");
    const std::optional<FramePattern> plain = FramePattern::parse("100%%-%d.jpg");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->name(7), "100%-7.jpg");
    for (const char* bad : {"%d-%d.png", "%s.png", "%5d.png", "%00d.png", "%%.png", "f%.png"})
        EXPECT_FALSE(FramePattern::parse(bad)) << bad;

    EXPECT_EQ(videoOutputFor("a.MP4").kind, VideoOutputKind::Mp4);
    EXPECT_EQ(videoOutputFor("a.webm").kind, VideoOutputKind::Webm);
    EXPECT_EQ(videoOutputFor("a.gif").kind, VideoOutputKind::Gif);
    const VideoOutput pictures = videoOutputFor("f/%03d.jpeg");
    EXPECT_EQ(pictures.kind, VideoOutputKind::Pictures);
    EXPECT_EQ(pictures.pictureFormat, OutputFormat::Jpeg);
    EXPECT_NE(test::errorOf([] { videoOutputFor("a.avi"); }).find(".mp4, .webm or .gif"),
              std::string::npos);
    EXPECT_NE(test::errorOf([] { videoOutputFor("f/%d.xyz"); }).find("no picture format"),
              std::string::npos);
    EXPECT_NE(test::errorOf([] { videoOutputFor("f/%d%d.png"); }).find("one frame number"),
              std::string::npos);
}

TEST(DisplayMatrix, TurnsFramesAsFfmpegsAutorotationDoes) {
    // The matrix of a picture shown turned `degrees` counter-clockwise (what ffprobe calls its
    // rotation), mirrored left to right where asked.
    const auto matrix = [](int degrees, bool mirrored) {
        const int c = degrees == 0 ? 1 : degrees == 180 ? -1 : 0;
        const int s = degrees == 90 ? 1 : degrees == 270 ? -1 : 0;
        const int m = mirrored ? -1 : 1;
        return std::array<std::int32_t, 9>{
            m * c * 65536, -s * 65536, 0, m * s * 65536, c * 65536, 0, 0, 0, 1 << 30};
    };
    EXPECT_EQ(displayOrientation(matrix(0, false).data()), 1);
    EXPECT_EQ(displayOrientation(matrix(90, false).data()), 8);
    EXPECT_EQ(displayOrientation(matrix(180, false).data()), 3);
    EXPECT_EQ(displayOrientation(matrix(270, false).data()), 6);
    EXPECT_EQ(displayOrientation(matrix(0, true).data()), 2);
    EXPECT_EQ(displayOrientation(matrix(90, true).data()), 7);
    EXPECT_EQ(displayOrientation(matrix(270, true).data()), 5);
    const std::array<std::int32_t, 9> empty{};
    EXPECT_EQ(displayOrientation(empty.data()), 1);
}

}  // namespace
}  // namespace carbonel
