#include "cli/video_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "animation/video_sketch.h"
#include "cli/convert_command.h"
#include "cli/report.h"
#include "cli/standard_streams.h"
#include "cli/stop_signals.h"
#include "imageio/atomic_file.h"
#include "imageio/file_bytes.h"
#include "imageio/paper_reader.h"
#include "sketch/error.h"

namespace carbonel::cli {

namespace {

// How many frames the sketch video will have, as far as the container tells; 0 when unknown.
std::int64_t expectedFrames(const VideoArgs& args, const VideoSourceInfo& info) {
    const double length =
        std::max(0.0, std::min(args.duration.value_or(info.duration), info.duration - args.start));
    if (args.fps) return std::llround(length * args.fps->value());
    if (!args.duration && args.start == 0 && info.frames > 0) return info.frames;
    return info.frameRate.isValid() ? std::llround(length * info.frameRate.value()) : 0;
}

// "frame 120 of 250, 48.2 frames/s, 2.7 s left" on one line of the terminal, at most four times a
// second.
class ProgressLine {
  public:
    ProgressLine(bool shown, std::int64_t total) : shown_(shown), total_(total) {}
    ~ProgressLine() {
        if (printed_) std::fputc('\n', stderr);
    }
    void update(std::int64_t written) {
        if (!shown_) return;
        const auto now = std::chrono::steady_clock::now();
        if (printed_ && now - last_ < std::chrono::milliseconds(250)) return;
        last_ = now;
        printed_ = true;
        const double seconds = std::chrono::duration<double>(now - begun_).count();
        const double rate = seconds > 0 ? static_cast<double>(written) / seconds : 0;
        std::string line = "frame " + std::to_string(written);
        if (total_ >= written && total_ > 0) line += " of " + std::to_string(total_);
        char figures[64];
        std::snprintf(figures, sizeof figures, ", %.1f frames/s", rate);
        line += figures;
        if (total_ > written && rate > 0) {
            std::snprintf(figures, sizeof figures, ", %.1f s left",
                          static_cast<double>(total_ - written) / rate);
            line += figures;
        }
        std::fprintf(stderr, "\r\033[K%s", line.c_str());
        std::fflush(stderr);
    }

  private:
    bool shown_;
    std::int64_t total_;
    bool printed_ = false;
    std::chrono::steady_clock::time_point begun_ = std::chrono::steady_clock::now(), last_;
};

// A time in seconds as a count of the time base's units.
std::int64_t ticks(double seconds, const Ratio& timeBase) {
    return std::llround(seconds * static_cast<double>(timeBase.den) /
                        static_cast<double>(timeBase.num));
}

int sketch(const VideoArgs& args, const std::atomic<int>& stop) {
    const VideoOutput& target = args.target;
    const bool pictures = target.kind == VideoOutputKind::Pictures;
    if (!pictures) refuseSameFile(args.input, args.output);
    FileOptions files = args.conversion.files;
    files.paper = paperFile(args.conversion, pictures && isVectorFormat(target.pictureFormat));
    ConversionOptions options = conversionOptionsFor(args.conversion);

    const VideoSourceRequest request{args.start, files.reading == PhotoReading::Upright, &stop};
    const std::unique_ptr<VideoSource> source = openVideoSource(args.input, request);
    const VideoSourceInfo& info = source->info();
    if (info.duration > 0 && args.start >= info.duration) {
        char text[128];
        std::snprintf(text, sizeof text, "--start %.3f s is past the video's end (%.3f s)",
                      args.start, info.duration);
        throw Error(aboutFile(args.input, text));
    }
    const std::int64_t start = ticks(args.start, info.timeBase);
    std::optional<std::int64_t> end;
    if (args.duration) end = start + ticks(*args.duration, info.timeBase);
    FrameTimeline timeline(info.timeBase, start, end, args.fps);

    // One paper for every frame, laid in the same place: it stays where it is as the video plays.
    Raster paper;
    if (!files.paper.empty()) {
        try {
            paper = readPaperFile(files.paper, options.textureFit, info.width + 1, info.height + 1);
        } catch (const Error& error) {
            throw Error(std::string("texture ") + error.what());
        }
        options.texture = &paper;
    }

    const int width = evenSide(info.width), height = evenSide(info.height);
    std::optional<AtomicFile> file;
    std::unique_ptr<VideoSink> sink;
    switch (target.kind) {
        case VideoOutputKind::Mp4:
        case VideoOutputKind::Webm: {
            VideoEncoding encoding;
            encoding.container =
                target.kind == VideoOutputKind::Mp4 ? VideoContainer::Mp4 : VideoContainer::Webm;
            encoding.width = width;
            encoding.height = height;
            encoding.timeBase = timeline.outputTimeBase();
            encoding.frameRate = args.fps.value_or(info.frameRate);
            // The sound is read through a second look at the file: a pipe gives its bytes only
            // once, so a video coming through one is sketched without its sound.
            struct stat status {};
            const bool regular =
                ::stat(args.input.c_str(), &status) == 0 && S_ISREG(status.st_mode);
            if (args.audio && info.hasAudio && !regular)
                reportError(args.input + ": not a regular file, so its sound is left out");
            if (args.audio && info.hasAudio && regular) {
                encoding.audioFrom = args.input;
                encoding.audioStart = args.start;
                encoding.audioDuration = args.duration;
            }
            file.emplace(args.output);
            sink = openVideoEncoder(file->stream(), encoding);
            break;
        }
        case VideoOutputKind::Gif:
            file.emplace(args.output);
            sink = openVideoGif(file->stream(), width, height, timeline.outputTimeBase(),
                                args.conversion.threads);
            break;
        case VideoOutputKind::Pictures:
            sink = openPictureFrames(*target.pattern, target.pictureFormat, files, info.width,
                                     info.height);
            break;
    }

    // On a terminal; CARBONEL_PROGRESS=1 shows it elsewhere too (the tests have no terminal).
    const bool shown =
        !args.quiet && (::isatty(STDERR_FILENO) != 0 || std::getenv("CARBONEL_PROGRESS"));
    {
        ProgressLine progress(shown, expectedFrames(args, info));
        sketchVideo(*source, timeline, options, *sink, {args.input, args.output}, &stop,
                    [&](std::int64_t written) { progress.update(written); });
    }
    if (file) file->commit();
    if (const int concealed = source->concealedFrames(); concealed > 0) {
        reportError(args.input + ": " + std::to_string(concealed) +
                    (concealed == 1 ? " damaged frame was" : " damaged frames were") +
                    " concealed, as the decoder does");
    }
    return 0;
}

}  // namespace

int runVideo(const VideoArgs& args) {
    const StopOnSignals signals;
    try {
        return sketch(args, signals.flag());
    } catch (const std::exception& error) {
        if (const int signal = signals.flag().load()) {
            reportError("interrupted: nothing written to " + args.output);
            return 128 + signal;
        }
        reportError(error.what());
        return 1;
    }
}

}  // namespace carbonel::cli
