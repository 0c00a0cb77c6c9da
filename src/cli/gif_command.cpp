#include "cli/gif_command.h"

#include <cstdio>
#include <string>

#include "animation/animation_export.h"
#include "animation/animation_formats.h"
#include "cli/cli_options.h"
#include "cli/report.h"
#include "cli/standard_streams.h"
#include "imageio/file_bytes.h"
#include "imageio/photo_reader.h"
#include "sketch/error.h"

namespace carbonel::cli {

namespace {

// A frame's failures name it, numbered from 1, and its file.
std::string aboutFrame(int index, const std::string& path, const std::string& message) {
    return "frame " + std::to_string(index + 1) + ": " + aboutFile(path, message);
}

// The frame opened (its header read), every failure named as aboutFrame names it, also those found
// while its rows are read.
std::unique_ptr<PhotoReader> openFrame(const GifArgs& args, int index) {
    const std::string& path = args.frames[static_cast<std::size_t>(index)];
    try {
        return describingFailures(openPhotoFile(path), [index, path](const std::string& message) {
            return aboutFrame(index, path, message);
        });
    } catch (const Error& error) {
        throw Error(aboutFrame(index, path, error.what()));
    }
}

}  // namespace

int runGif(const GifArgs& args, bool animate) {
    try {
        int width = args.width, height = args.height;
        if (width == 0) {
            const std::unique_ptr<PhotoReader> first = openFrame(args, 0);
            width = first->width();
            height = first->height();
        }
        FrameList frames;
        frames.count = static_cast<int>(args.frames.size());
        frames.rows = [&](int index) { return openFrame(args, index); };
        frames.frame = [&](int index) { return readAllRows(*frames.rows(index)); };
        // `gif` is always a GIF in the default timing, which the parser leaves it.
        const AnimationFormat format = animate ? args.format : AnimationFormat::Gif;
        const AnimationTiming timing{args.delayMs, args.loops};
        if (args.output == "-") {
            const std::string name = "standard output";
            checkAnimation(frames, width, height);
            checkAnimationSize(format, width, height, name);
            const auto write = [&](std::FILE* out) {
                writeAnimation(frames, width, height, format, out, name, timing);
            };
            // A WebP's size is written last, at its start: it is made in a temporary file first.
            if (format == AnimationFormat::Webp) {
                writeStandardOutputThroughFile(write);
            } else {
                writeStandardOutput(write);
            }
        } else {
            exportAnimationFile(frames, width, height, format, args.output, timing);
        }
        return 0;
    } catch (const std::exception& error) {
        reportError(error.what());
        return 1;
    }
}

}  // namespace carbonel::cli
