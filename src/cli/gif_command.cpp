#include "cli/gif_command.h"

#include <charconv>

#include "animation/animation_export.h"
#include "cli/cli_options.h"
#include "cli/report.h"
#include "imageio/picture_files.h"
#include "sketch/error.h"

namespace carbonel::cli {
namespace {

struct Size {
    int width;
    int height;
};

bool parseSide(const std::string& text, int& side) {
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, side);
    return !text.empty() && error == std::errc() && rest == end && side >= 1 &&
           side <= kMaxPictureSide;
}

Size parseSize(const std::string& text) {
    const std::size_t cross = text.find('x');
    Size size{0, 0};
    if (cross == std::string::npos || !parseSide(text.substr(0, cross), size.width) ||
        !parseSide(text.substr(cross + 1), size.height)) {
        throw Error("--size takes WIDTHxHEIGHT, two whole numbers from 1 to " +
                    std::to_string(kMaxPictureSide) + ", not \"" + text + "\"");
    }
    return size;
}

}  // namespace

GifArgs parseGifArgs(const std::vector<std::string>& args) {
    GifArgs parsed;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--size") {
            if (i + 1 >= args.size()) throw UsageError("--size needs a value");
            parsed.size = args[++i];
        } else if (args[i].starts_with("--")) {
            throw UsageError("unknown option " + args[i]);
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() < 2) throw UsageError("gif takes an OUTPUT and at least one FRAME");
    parsed.output = positional.front();
    parsed.frames.assign(positional.begin() + 1, positional.end());
    return parsed;
}

int runGif(const GifArgs& args) {
    try {
        Size size{0, 0};
        if (!args.size.empty()) {
            size = parseSize(args.size);
        } else {
            const Raster first = loadPicture(args.frames.front());
            size = {first.width(), first.height()};
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
        exportAnimation(frames, size.width, size.height, args.output);
        return 0;
    } catch (const std::exception& error) {
        reportError(error.what());
        return 1;
    }
}

}  // namespace carbonel::cli
