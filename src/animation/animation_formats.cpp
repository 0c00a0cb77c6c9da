#include "animation/animation_formats.h"

#include <webp/encode.h>

#include <string>

#include "animation/video_writers.h"
#include "imageio/atomic_file.h"
#include "imageio/file_bytes.h"
#include "imageio/folder_order.h"
#include "imageio/picture_names.h"
#include "sketch/error.h"

namespace carbonel {

AnimationFormat animationFormatFor(const std::string& path) {
    const std::string extension = toLowerAscii(fileExtension(path));
    if (extension == ".gif") return AnimationFormat::Gif;
    if (extension == ".webp") return AnimationFormat::Webp;
    if (extension == ".mp4") return AnimationFormat::Mp4;
    throw Error(path + ": animations are written as .gif, .webp or .mp4");
}

namespace {

// The largest H.264 picture libx264 opens: at most this many pixels a side...
constexpr int kMaxMp4Side = 16384;
// ... and FFmpeg's own bound on a picture: (width + 128) x (height + 128) under INT_MAX / 8.
constexpr long long kMaxMp4Padded = 268435455;

std::string sizeText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

void checkAnimationSize(AnimationFormat format, int width, int height, const std::string& path) {
    if (format == AnimationFormat::Webp &&
        (width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION)) {
        throw Error(path + ": an animated WebP is at most " + std::to_string(WEBP_MAX_DIMENSION) +
                    " pixels a side, not " + sizeText(width, height));
    }
    if (format != AnimationFormat::Mp4) return;
    // The video's sides are even (yuv420p): an odd side is padded with white, and the padded
    // size is the one the encoder must take.
    const int evenWidth = width + width % 2, evenHeight = height + height % 2;
    std::string size = sizeText(width, height);
    if (width != evenWidth || height != evenHeight)
        size += " (" + sizeText(evenWidth, evenHeight) + " with its odd side padded to even)";
    if (evenWidth > kMaxMp4Side || evenHeight > kMaxMp4Side) {
        throw Error(path + ": an H.264 video is at most " + std::to_string(kMaxMp4Side) +
                    " pixels a side, not " + size);
    }
    if ((evenWidth + 128LL) * (evenHeight + 128LL) >= kMaxMp4Padded) {
        throw Error(path + ": an H.264 video of " + size + " is larger than FFmpeg encodes: " +
                    "(width + 128) x (height + 128) must stay under " +
                    std::to_string(kMaxMp4Padded) + " pixels");
    }
}

void exportAnimationFile(const FrameList& frames, int width, int height, const std::string& path,
                         const AnimationTiming& timing) {
    const AnimationFormat format = animationFormatFor(path);
    if (format == AnimationFormat::Gif) {
        exportAnimation(frames, width, height, path, 0, timing);
        return;
    }
    checkAnimation(frames, width, height);
    checkAnimationSize(format, width, height, path);
    // A WebP's size and an MP4's index are written last, at the file's start.
    const std::string what = format == AnimationFormat::Webp ? "an animated WebP" : "an MP4 video";
    refusePipeTarget(path, aboutFile(path, what));
    AtomicFile file(path);
    // The writer's failures name the file written; a frame's name the frame.
    auto aboutOutput = [&](auto write) {
        try {
            write();
        } catch (const Error& error) {
            throw Error(aboutFile(path, error.what()));
        }
    };
    std::unique_ptr<AnimationWriter> writer;
    aboutOutput([&] {
        // A WebP's size and an MP4's index are written last, at the file's start.
        refuseUnlessSeekable(file.stream(),
                             format == AnimationFormat::Webp ? "an animated WebP" : "an MP4 video");
        writer = openAnimationWriter(format, file.stream(), width, height, timing);
    });
    Raster composition(width, height);
    // Only a WebP frame needs to know which pixels changed (a byte a pixel).
    std::vector<std::uint8_t> changedPixels;
    const bool flagged = format == AnimationFormat::Webp;
    for (int i = 0; i < frames.count; ++i) {
        const PixelBox changed =
            drawFrameRows(composition, frames.rows ? *frames.rows(i) : *rasterRows(frames.frame(i)),
                          flagged ? &changedPixels : nullptr);
        aboutOutput([&] { writer->addFrame(composition, changed, changedPixels); });
    }
    aboutOutput([&] { writer->finish(); });
    file.commit();
}

}  // namespace carbonel
