#include "animation/animation_formats.h"

#include <webp/encode.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "animation/video_writers.h"
#include "animation/web_palette.h"
#include "imageio/atomic_file.h"
#include "imageio/file_bytes.h"
#include "imageio/file_suffixes.h"
#include "imageio/folder_order.h"
#include "imageio/picture_names.h"
#include "sketch/error.h"

namespace carbonel {

namespace {

const std::array<AnimationFormatRow, 3> kRows{{
    {AnimationFormat::Gif, "gif", kGifSuffixes, "Gif Image File", true},
    {AnimationFormat::Webp, "webp", kWebpSuffixes, "WebP animation", true},
    {AnimationFormat::Mp4, "mp4", kMp4Suffixes, "MP4 video", false},
}};

}  // namespace

std::span<const AnimationFormatRow> animationFormats() {
    return kRows;
}

std::string animationFormatNames() {
    std::vector<std::string_view> names;
    for (const AnimationFormatRow& row : kRows) names.push_back(row.name);
    return spokenList(std::span<const std::string_view>(names));
}

std::string animationExtensionList() {
    std::vector<std::string_view> extensions;
    for (const AnimationFormatRow& row : kRows) extensions.push_back(row.suffix.front());
    return spokenList(std::span<const std::string_view>(extensions));
}

std::optional<AnimationFormat> animationFormatNamed(const std::string& name) {
    for (const AnimationFormatRow& row : kRows) {
        if (row.name == name) return row.format;
    }
    return std::nullopt;
}

std::optional<AnimationFormat> animationFormatOfName(const std::string& path) {
    const std::string extension = toLowerAscii(fileExtension(path));
    for (const AnimationFormatRow& row : kRows) {
        if (isOneOf(row.suffix, extension)) return row.format;
    }
    return std::nullopt;
}

AnimationFormat animationFormatFor(const std::string& path) {
    if (const std::optional<AnimationFormat> format = animationFormatOfName(path)) return *format;
    throw Error(path + ": animations are written as " + animationExtensionList());
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

void writeAnimation(const FrameList& frames, int width, int height, AnimationFormat format,
                    std::FILE* out, const std::string& name, const AnimationTiming& timing,
                    int threads) {
    checkAnimation(frames, width, height);
    checkPictureSize(width, height);
    // The writer's failures name the output; a frame's name the frame.
    auto aboutOutput = [&](auto write) {
        try {
            write();
        } catch (const Error& error) {
            throw Error(aboutFile(name, error.what()));
        }
    };
    std::unique_ptr<AnimationWriter> writer;
    aboutOutput([&] {
        // A WebP's size is written last, at the file's start.
        if (format == AnimationFormat::Webp) refuseUnlessSeekable(out, "an animated WebP");
        writer = openAnimationWriter(format, out, width, height, timing, threads);
    });
    // The composition is what the writer takes: colour indices, or full colour (and for WebP a
    // flag a pixel saying which changed). Either is never cleared, each frame drawn over it.
    const bool indexed = writer->takesWebIndices();
    std::vector<std::uint8_t> indices;
    Raster composition;
    std::vector<std::uint8_t> changedPixels;
    const bool flagged = format == AnimationFormat::Webp;
    if (indexed) {
        indices.assign(std::size_t(width) * std::size_t(height), kWebWhite);
    } else {
        composition = Raster(width, height);
    }
    for (int i = 0; i < frames.count; ++i) {
        const std::unique_ptr<PhotoReader> frame =
            frames.rows ? frames.rows(i) : rasterRows(frames.frame(i));
        if (indexed) {
            drawFrameIndices(indices, width, height, *frame);
            aboutOutput([&] { writer->addIndexedFrame(indices); });
        } else {
            const PixelBox changed =
                drawFrameRows(composition, *frame, flagged ? &changedPixels : nullptr);
            aboutOutput([&] { writer->addFrame(composition, changed, changedPixels); });
        }
        if (std::ferror(out)) return;  // the caller reports it
    }
    aboutOutput([&] { writer->finish(); });
}

void exportAnimationFile(const FrameList& frames, int width, int height, const std::string& path,
                         const AnimationTiming& timing) {
    exportAnimationFile(frames, width, height, animationFormatFor(path), path, timing);
}

void exportAnimationFile(const FrameList& frames, int width, int height, AnimationFormat format,
                         const std::string& path, const AnimationTiming& timing, int threads) {
    checkAnimation(frames, width, height);
    checkAnimationSize(format, width, height, path);
    // A WebP's size is written last, at the file's start; an MP4 into a pipe is fragmented.
    if (format == AnimationFormat::Webp)
        refusePipeTarget(path, aboutFile(path, "an animated WebP"));
    AtomicFile file(path);
    writeAnimation(frames, width, height, format, file.stream(), path, timing, threads);
    file.commit();
}

}  // namespace carbonel
