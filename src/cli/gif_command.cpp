#include "cli/gif_command.h"

#include <cerrno>
#include <cstring>

#include "animation/animation_export.h"
#include "animation/animation_formats.h"
#include "cli/cli_options.h"
#include "cli/report.h"
#include "cli/standard_streams.h"
#include "imageio/photo_reader.h"
#include "sketch/error.h"

namespace carbonel::cli {

int runGif(const GifArgs& args, bool animate) {
    try {
        int width = args.width, height = args.height;
        if (width == 0) {
            const Raster first = loadPicture(args.frames.front());
            width = first.width();
            height = first.height();
        }
        FrameList frames;
        frames.count = static_cast<int>(args.frames.size());
        frames.frame = [&](int index) {
            try {
                return loadPicture(args.frames[static_cast<std::size_t>(index)]);
            } catch (const Error& error) {
                throw Error("frame " + std::to_string(index + 1) + ": " + error.what());
            }
        };
        if (animate) {
            exportAnimationFile(frames, width, height, args.output, {args.delayMs, args.loops});
        } else if (args.output == "-") {
            writeStandardOutput([&](std::FILE* out) {
                writeAnimation(frames, width, height, [&](const std::string& bytes) {
                    if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
                        throw Error(std::string("Cannot write standard output: ") +
                                    std::strerror(errno));
                });
            });
        } else {
            exportAnimation(frames, width, height, args.output);
        }
        return 0;
    } catch (const std::exception& error) {
        reportError(error.what());
        return 1;
    }
}

}  // namespace carbonel::cli
