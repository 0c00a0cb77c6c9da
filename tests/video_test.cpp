// carbonel-cli video, on clips ffmpeg makes for each test: what is written, how it is timed, how it
// looks against convert, and what is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "imageio/photo_reader.h"
#include "test_support.h"

namespace carbonel {
namespace {

namespace fs = std::filesystem;
using test::quoted;

void run(const std::string& command) {
    const test::CommandResult result = test::runCommand(command);
    ASSERT_EQ(result.status, 0) << command << "\n" << result.output;
}

// A clip from ffmpeg's generated sources: `arguments` are ffmpeg's, before the output.
void makeClip(const fs::path& path, const std::string& arguments) {
    run("ffmpeg -v error -y " + arguments + " " + quoted(path));
}

using Stream = std::map<std::string, std::string>;

// What ffprobe tells of each stream, its frames counted, with the file's duration as "file".
std::vector<Stream> probe(const fs::path& path) {
    const test::CommandResult result = test::runCommand(
        "ffprobe -v error -count_frames -show_entries "
        "stream=codec_type,codec_name,width,height,r_frame_rate,nb_read_frames,duration:"
        "format=duration -of flat " +
        quoted(path));
    EXPECT_EQ(result.status, 0) << result.output;
    std::vector<Stream> streams;
    std::string fileDuration;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
        const std::string key = line.substr(0, equals);
        if (key == "format.duration") {
            fileDuration = value;
            continue;
        }
        // streams.stream.N.name
        const std::size_t index = std::stoul(key.substr(15));
        if (streams.size() <= index) streams.resize(index + 1);
        streams[index][key.substr(key.find('.', 15) + 1)] = value;
    }
    for (Stream& stream : streams) stream["file"] = fileDuration;
    return streams;
}

double number(const Stream& stream, const std::string& key) {
    const auto found = stream.find(key);
    return found == stream.end() ? NAN : std::atof(found->second.c_str());
}

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// One picture a frame of the video, in a fresh folder: its files in order.
std::vector<fs::path> framesOf(const fs::path& clip, const fs::path& folder,
                               const std::string& options = "") {
    fs::create_directory(folder);
    const test::CommandResult result =
        test::cli("video " + quoted(clip) + " " + quoted(folder / "%05d.png") + " " + options);
    EXPECT_EQ(result.status, 0) << result.output;
    return filesIn(folder);
}

TEST(VideoCommand, KeepsTheFramesTheirRateAndTheSound) {
    test::TempDir dir;
    makeClip(dir / "clip.mp4",
             "-f lavfi -i testsrc2=size=1280x720:rate=25 -f lavfi -i sine=frequency=440 -t 2 "
             "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac");
    ASSERT_EQ(test::cli("video " + quoted(dir / "clip.mp4") + " " + quoted(dir / "out.mp4")).status,
              0);
    const std::vector<Stream> in = probe(dir / "clip.mp4"), out = probe(dir / "out.mp4");
    ASSERT_EQ(out.size(), 2u);
    const Stream& video = out[0];
    const Stream& sound = out[1];
    EXPECT_EQ(video.at("codec_name"), "h264");
    EXPECT_EQ(video.at("width"), "1280");
    EXPECT_EQ(video.at("height"), "720");
    EXPECT_EQ(video.at("r_frame_rate"), in[0].at("r_frame_rate"));
    EXPECT_NEAR(number(video, "nb_read_frames"), number(in[0], "nb_read_frames"), 1);
    EXPECT_NEAR(number(video, "duration"), number(in[0], "duration"), 0.04);
    // The sound is copied: MP4 takes AAC as it is.
    EXPECT_EQ(sound.at("codec_type"), "audio");
    EXPECT_EQ(sound.at("codec_name"), "aac");
    EXPECT_NEAR(number(sound, "duration"), number(video, "duration"), 0.04);

    // WebM, its sound encoded as Opus, and GIF, without sound; a smaller clip.
    makeClip(dir / "small.mp4",
             "-f lavfi -i testsrc2=size=160x120:rate=10 -f lavfi -i sine=frequency=440 -t 2 "
             "-c:v libx264 -pix_fmt yuv420p -c:a aac");
    for (const char* name : {"out.webm", "out.gif"})
        ASSERT_EQ(test::cli("video " + quoted(dir / "small.mp4") + " " + quoted(dir / name)).status,
                  0);
    const std::vector<Stream> small = probe(dir / "small.mp4");
    const std::vector<Stream> webm = probe(dir / "out.webm"), gif = probe(dir / "out.gif");
    ASSERT_EQ(webm.size(), 2u);
    EXPECT_EQ(webm[0].at("codec_name"), "vp9");
    EXPECT_EQ(webm[1].at("codec_name"), "opus");
    EXPECT_EQ(webm[0].at("nb_read_frames"), small[0].at("nb_read_frames"));
    EXPECT_NEAR(number(webm[0], "file"), number(small[0], "file"), 0.05);
    ASSERT_EQ(gif.size(), 1u);
    EXPECT_EQ(gif[0].at("codec_name"), "gif");
    EXPECT_EQ(gif[0].at("nb_read_frames"), small[0].at("nb_read_frames"));
    EXPECT_NEAR(number(gif[0], "file"), number(small[0], "duration"), 0.01);

    // Sound MP4 does not take (PCM from a MOV) is encoded as AAC; --no-audio leaves it out.
    makeClip(dir / "pcm.mov",
             "-f lavfi -i testsrc2=size=160x120:rate=10 -f lavfi -i sine=frequency=440 -t 2 "
             "-c:v libx264 -pix_fmt yuv420p -c:a pcm_s16le");
    ASSERT_EQ(test::cli("video " + quoted(dir / "pcm.mov") + " " + quoted(dir / "pcm.mp4")).status,
              0);
    ASSERT_EQ(test::cli("video " + quoted(dir / "pcm.mov") + " " + quoted(dir / "mute.mp4") +
                        " --no-audio")
                  .status,
              0);
    const std::vector<Stream> pcm = probe(dir / "pcm.mp4");
    ASSERT_EQ(pcm.size(), 2u);
    EXPECT_EQ(pcm[1].at("codec_name"), "aac");
    EXPECT_NEAR(number(pcm[1], "duration"), number(pcm[0], "duration"), 0.05);
    EXPECT_EQ(probe(dir / "mute.mp4").size(), 1u);
}

TEST(VideoCommand, EachFrameIsWhatConvertWritesOfFfmpegsFrame) {
    test::TempDir dir;
    const std::string options = "--style pastel --line 2 --precision 150 --texture paper";
    // 322 pixels wide: swscale's vector code and its plain code, which takes a row's last pixels
    // where the row has no room past its end, round some colours apart. The second clip's colours
    // are in BT.709, as a phone's are.
    for (const char* colours : {"", "-colorspace bt709 -color_primaries bt709 -color_trc bt709"}) {
        const fs::path clip = dir / (std::string(*colours ? "bt709" : "plain") + ".mp4");
        makeClip(clip,
                 "-f lavfi -i testsrc2=size=322x246:rate=10 -t 0.5 -c:v libx264 "
                 "-pix_fmt yuv420p " +
                     std::string(colours));
        const fs::path ffmpeg = dir / (clip.stem().string() + "-ffmpeg");
        const std::vector<fs::path> ours =
            framesOf(clip, dir / (clip.stem().string() + "-ours"), options);
        fs::create_directory(ffmpeg);
        run("ffmpeg -v error -i " + quoted(clip) + " " + quoted(ffmpeg / "%05d.png"));
        const std::vector<fs::path> decoded = filesIn(ffmpeg);
        ASSERT_EQ(ours.size(), decoded.size());
        ASSERT_EQ(ours.size(), 5u);
        for (std::size_t k = 0; k < decoded.size(); ++k) {
            EXPECT_EQ(ours[k].filename(), decoded[k].filename());
            const fs::path converted = dir / "converted.png";
            ASSERT_EQ(
                test::cli("convert " + quoted(decoded[k]) + " " + quoted(converted) + " " + options)
                    .status,
                0);
            EXPECT_TRUE(test::readBytes(ours[k]) == test::readBytes(converted)) << ours[k];
        }
    }
}

TEST(VideoCommand, StartDurationAndRatePickTheFrames) {
    test::TempDir dir;
    makeClip(dir / "clip.mp4",
             "-f lavfi -i testsrc2=size=96x64:rate=10 -t 3 -c:v libx264 -pix_fmt yuv420p");
    const std::vector<fs::path> whole = framesOf(dir / "clip.mp4", dir / "whole");
    ASSERT_EQ(whole.size(), 30u);
    const auto sameFrames = [&](const std::vector<fs::path>& part, std::size_t first,
                                std::size_t step) {
        for (std::size_t k = 0; k < part.size(); ++k)
            EXPECT_TRUE(test::readBytes(part[k]) == test::readBytes(whole[first + k * step]))
                << part[k];
    };
    const std::vector<fs::path> middle =
        framesOf(dir / "clip.mp4", dir / "middle", "--start 1 --duration 1");
    ASSERT_EQ(middle.size(), 10u);
    sameFrames(middle, 10, 1);
    const std::vector<fs::path> end = framesOf(dir / "clip.mp4", dir / "end", "--start 0:00:02.5");
    ASSERT_EQ(end.size(), 5u);
    sameFrames(end, 25, 1);
    // At 5 frames a second each tick takes the frame on screen, its start rounded to the nearest
    // tick: frames 0, 2, 4 ...
    const std::vector<fs::path> slower = framesOf(dir / "clip.mp4", dir / "slower", "--fps 5");
    ASSERT_EQ(slower.size(), 15u);
    sameFrames(slower, 0, 2);
    // An MP4 at a rate of its own.
    ASSERT_EQ(test::cli("video " + quoted(dir / "clip.mp4") + " " + quoted(dir / "fast.mp4") +
                        " --fps 30000/1001 --duration 2")
                  .status,
              0);
    const std::vector<Stream> fast = probe(dir / "fast.mp4");
    EXPECT_EQ(fast[0].at("r_frame_rate"), "30000/1001");
    EXPECT_EQ(fast[0].at("nb_read_frames"), "60");
}

// The times of a video's frames, in seconds, as ffprobe reads them.
std::vector<double> frameTimes(const fs::path& path) {
    const test::CommandResult result = test::runCommand(
        "ffprobe -v error -select_streams v -show_entries frame=best_effort_timestamp_time -of "
        "csv=p=0 " +
        quoted(path));
    EXPECT_EQ(result.status, 0) << result.output;
    std::vector<double> times;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) times.push_back(std::atof(line.c_str()));  // a frame's side data: ""
    }
    return times;
}

TEST(VideoCommand, VariableRatesKeepTheirTimes) {
    test::TempDir dir;
    // Ten frames a second with a pause of 0.2 s after the fifth.
    makeClip(dir / "clip.mkv",
             "-f lavfi -i testsrc2=size=96x64:rate=10 -t 1 -vf "
             "\"setpts='(N*0.1+gt(N\\,4)*0.2)/TB'\" -c:v libx264 -pix_fmt yuv420p");
    const std::vector<double> in = frameTimes(dir / "clip.mkv");
    ASSERT_GT(in.size(), 6u);
    ASSERT_GT(std::fabs((in[6] - in[4]) - 2 * (in[1] - in[0])), 0.05);  // the rate does vary
    for (const char* name : {"out.mp4", "out.webm"}) {
        ASSERT_EQ(test::cli("video " + quoted(dir / "clip.mkv") + " " + quoted(dir / name)).status,
                  0);
        const std::vector<double> out = frameTimes(dir / name);
        ASSERT_EQ(out.size(), in.size()) << name;
        for (std::size_t k = 0; k < in.size(); ++k) EXPECT_NEAR(out[k], in[k], 0.001) << name;
    }
}

TEST(VideoCommand, StillPartsOfTheVideoStayStillOnItsPaper) {
    test::TempDir dir;
    // A photo with a box moving across its right side, kept lossless so that the still part's
    // pixels are the same in every frame.
    makeClip(dir / "clip.mp4",
             "-framerate 10 -loop 1 -i " + quoted(test::dataFile("chelsea.jpg")) +
                 " -f lavfi -i color=c=red:size=30x30:rate=10 -filter_complex "
                 "\"[0]scale=240:160[photo];[photo][1]overlay=x='170+3*n':y=20:eval=frame\" "
                 "-frames:v 10 "
                 "-c:v libx264 -qp 0 -pix_fmt yuv420p");
    const std::vector<fs::path> frames =
        framesOf(dir / "clip.mp4", dir / "frames", "--texture paper");
    ASSERT_EQ(frames.size(), 10u);
    const auto columns = [](const Raster& frame, int from, int to) {
        std::string bytes;
        for (int y = 0; y < frame.height(); ++y)
            bytes.append(reinterpret_cast<const char*>(frame.row(y)) + 3 * from,
                         std::size_t(to - from) * 3);
        return bytes;
    };
    for (std::size_t k = 1; k < frames.size(); ++k) {
        const Raster before = loadPicture(frames[k - 1].string());
        const Raster after = loadPicture(frames[k].string());
        // Left of the box (and the few pixels a stroke reaches) nothing changes; the box moves.
        EXPECT_TRUE(columns(before, 0, 160) == columns(after, 0, 160)) << frames[k];
        EXPECT_FALSE(columns(before, 170, 240) == columns(after, 170, 240)) << frames[k];
    }
}

TEST(VideoCommand, TurnsAPhonesRotationUpright) {
    test::TempDir dir;
    makeClip(dir / "stored.mp4",
             "-f lavfi -i testsrc2=size=160x96:rate=10 -t 0.5 -c:v libx264 -pix_fmt yuv420p");
    // As a phone held upright stores it: the frames lying on their side, a rotation to show them.
    run("ffmpeg -v error -i " + quoted(dir / "stored.mp4") + " -c copy -metadata:s:v:0 rotate=90 " +
        quoted(dir / "phone.mp4"));
    const std::vector<fs::path> ours = framesOf(dir / "phone.mp4", dir / "ours");
    ASSERT_EQ(ours.size(), 5u);
    const Raster first = loadPicture(ours[0].string());
    EXPECT_EQ(first.width(), 97);
    EXPECT_EQ(first.height(), 161);
    // ffmpeg turns its frames upright too: the sketch is that of its upright frame.
    run("ffmpeg -v error -i " + quoted(dir / "phone.mp4") + " -frames:v 1 " +
        quoted(dir / "upright.png"));
    ASSERT_EQ(test::cli("convert " + quoted(dir / "upright.png") + " " + quoted(dir / "sketch.png"))
                  .status,
              0);
    EXPECT_TRUE(test::readBytes(ours[0]) == test::readBytes(dir / "sketch.png"));
    // A video is written upright, with no rotation left for players to apply.
    ASSERT_EQ(
        test::cli("video " + quoted(dir / "phone.mp4") + " " + quoted(dir / "upright.mp4")).status,
        0);
    const std::vector<Stream> upright = probe(dir / "upright.mp4");
    EXPECT_EQ(upright[0].at("width"), "96");
    EXPECT_EQ(upright[0].at("height"), "160");
    const test::CommandResult sideData = test::runCommand(
        "ffprobe -v error -show_entries stream_side_data " + quoted(dir / "upright.mp4"));
    EXPECT_EQ(sideData.output.find("rotation"), std::string::npos) << sideData.output;
}

TEST(VideoCommand, WhatIsNoVideoIsRefusedInOneLineAndNothingWritten) {
    test::TempDir dir;
    fs::copy_file(test::dataFile("chelsea.jpg"), dir / "photo.jpg");
    test::writeBytes(dir / "notes.txt", "Not a video at all.\n");
    makeClip(dir / "sound.m4a", "-f lavfi -i sine=frequency=440 -t 1 -c:a aac");
    makeClip(dir / "clip.mp4",
             "-f lavfi -i testsrc2=size=160x120:rate=25 -t 4 -c:v libx264 -g 1000 -pix_fmt "
             "yuv420p");
    const std::string clip = test::readBytes(dir / "clip.mp4");
    test::writeBytes(dir / "cut.mp4", clip.substr(0, clip.size() / 2));
    fs::create_directory(dir / "frames");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"photo.jpg", "a still picture, not a video"}, {"notes.txt", "not a video FFmpeg reads"},
        {"sound.m4a", "has no video stream"},          {"cut.mp4", "not a video FFmpeg reads"},
        {"missing.mp4", "Cannot open file"},
    };
    const std::vector<fs::path> before = filesIn(dir.path());
    for (const auto& [name, message] : cases) {
        for (const char* output : {"out.mp4", "frames/%05d.png"}) {
            const test::CommandResult result =
                test::cli("video " + quoted(dir / name) + " " + quoted(dir / output));
            EXPECT_EQ(result.status, 1) << name;
            EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1)
                << result.output;
            EXPECT_EQ(result.output.rfind("carbonel-cli: ", 0), 0u) << result.output;
            EXPECT_NE(result.output.find((dir / name).string()), std::string::npos)
                << result.output;
            EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
        }
    }
    EXPECT_EQ(filesIn(dir.path()), before);
    EXPECT_TRUE(fs::is_empty(dir / "frames"));

    // Damage inside a readable video is concealed as the decoder does, and counted.
    std::string damaged = clip;
    for (std::size_t at = damaged.size() / 2; at < damaged.size() * 3 / 4; at += 997)
        damaged[at] = static_cast<char>(~damaged[at]);
    test::writeBytes(dir / "damaged.mp4", damaged);
    const test::CommandResult result =
        test::cli("video " + quoted(dir / "damaged.mp4") + " " + quoted(dir / "out.mp4"));
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("damaged frames were concealed"), std::string::npos)
        << result.output;
    EXPECT_TRUE(fs::exists(dir / "out.mp4"));
}

// Frames of an earlier run are never written over (a failing run takes back what it wrote), and a
// video through a pipe, which gives its bytes once, is sketched without its sound.
TEST(VideoCommand, KeepsEarlierFramesAndTakesPipesWithoutSound) {
    test::TempDir dir;
    makeClip(dir / "clip.mkv",
             "-f lavfi -i testsrc2=size=160x120:rate=25 -f lavfi -i sine=frequency=440 -t 1 "
             "-c:v libx264 -pix_fmt yuv420p -c:a aac");
    fs::create_directory(dir / "f");
    const std::string frames = quoted(dir / "f" / "%03d.png");
    ASSERT_EQ(test::cli("video " + quoted(dir / "clip.mkv") + " " + frames + " -q").status, 0);
    const std::vector<fs::path> first = filesIn(dir / "f");
    const std::string one = test::readBytes(dir / "f" / "001.png");
    const test::CommandResult again =
        test::cli("video " + quoted(dir / "clip.mkv") + " " + frames + " -q --style pen");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.output.find("001.png: already exists"), std::string::npos) << again.output;
    EXPECT_EQ(filesIn(dir / "f"), first);
    EXPECT_TRUE(test::readBytes(dir / "f" / "001.png") == one);

    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const test::CommandResult piped =
        test::runCommand("cat " + quoted(dir / "clip.mkv") + " > " + quoted(dir / "pipe") +
                         " & timeout 60 " + std::string(CARBONEL_CLI) + " video " +
                         quoted(dir / "pipe") + " " + quoted(dir / "out.mp4") + " -q");
    EXPECT_EQ(piped.status, 0) << piped.output;
    EXPECT_NE(piped.output.find("its sound is left out"), std::string::npos) << piped.output;
    const std::vector<Stream> streams = probe(dir / "out.mp4");
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].at("codec_type"), "video");
    EXPECT_EQ(streams[0].at("nb_read_frames"), "25");
}

TEST(VideoCommand, BadUsageGetsStatusTwo) {
    test::TempDir dir;
    const std::string clip = quoted(dir / "clip.mp4");
    for (const std::string& arguments :
         {"video " + clip, "video " + clip + " " + quoted(dir / "out.avi"),
          "video " + clip + " " + quoted(dir / "f/%d-%d.png"),
          "video " + clip + " " + quoted(dir / "f/%05d.xyz"),
          "video " + clip + " out.mp4 --start soon", "video " + clip + " out.mp4 --start 1:75",
          "video " + clip + " out.mp4 --duration 0", "video " + clip + " out.mp4 --fps 0",
          "video " + clip + " out.mp4 --fps 1/0", "video " + clip + " out.mp4 --fps 2000",
          "video " + clip + " out.mp4 --trace centerline", "video " + clip + " out.mp4 --bogus"}) {
        const test::CommandResult result = test::cli(arguments);
        EXPECT_EQ(result.status, 2) << arguments << "\n" << result.output;
        EXPECT_TRUE(result.output.ends_with("Try 'carbonel-cli --help'.\n")) << result.output;
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
}  // namespace carbonel
