#pragma once

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "animation/animation_export.h"

namespace carbonel {

// The files an animation is written as: a 216-colour GIF, an animated WebP (lossless, full
// colour, white paper) or an H.264 video in MP4.
enum class AnimationFormat { Gif, Webp, Mp4 };

// Everything the programs know of one animation format.
struct AnimationFormatRow {
    AnimationFormat format;
    std::string_view name;                     // the `--format` name
    std::span<const std::string_view> suffix;  // its extensions, the usual one first
    std::string_view saveTitle;                // its line's title in the recorder's Save dialog
    bool loops;                                // plays `--loop` times (a video plays once)
};

// Every animation format, in the Save dialog's order.
std::span<const AnimationFormatRow> animationFormats();
// The `--format` names ("gif, webp or mp4") and the extensions (".gif, .webp or .mp4").
std::string animationFormatNames();
std::string animationExtensionList();

// The format named "gif", "webp" or "mp4"; none for any other name.
std::optional<AnimationFormat> animationFormatNamed(const std::string& name);

// The format an animation file's extension asks for (".gif", ".webp", ".mp4", in any case); any
// other fails naming the formats that are written.
AnimationFormat animationFormatFor(const std::string& path);
// The same, or none for a name whose extension names no animation format.
std::optional<AnimationFormat> animationFormatOfName(const std::string& path);

// Refuses a width x height the format cannot hold, naming the file, the limit and the reason.
void checkAnimationSize(AnimationFormat format, int width, int height, const std::string& path);

// Writes the animation of the frames, composed as exportAnimation composes them (each drawn over
// the ones before, its white left out, scaled to width x height), in the format its extension
// asks for. Each frame is read a row at a time (from FrameList::rows where set) and drawn as it is
// read, and encoded once composed: memory holds the composition and one frame's encoding, never
// a frame, however large the frames and however many. No frames ("Unsupported GIF version"), a
// zero size ("Invalid pixel coordinates") or a size the format cannot hold (checkAnimationSize)
// is refused before the file is made; the file appears only when complete.
void exportAnimationFile(const FrameList& frames, int width, int height, const std::string& path,
                         const AnimationTiming& timing = {});
// The same in the format given, whatever the path's extension; GIF frames are LZW-coded on
// `threads` threads (0: every core).
void exportAnimationFile(const FrameList& frames, int width, int height, AnimationFormat format,
                         const std::string& path, const AnimationTiming& timing = {},
                         int threads = 0);

// The one composer behind them: writes the animation into `out`, which stays the caller's, in
// the format given. A GIF's composition is kept as its colour indices, the others' in full
// colour. A WebP needs an `out` it can seek in (refused before a byte is written); an MP4 whose
// `out` cannot be read back and sought (a pipe, standard output) is fragmented instead of having
// its index at the front. The writer's failures are named after `name` (none when empty), a
// frame's after the frame. Writing stops at the first failed write, leaving the stream's error
// flag for the caller to report as it reports any failed write.
void writeAnimation(const FrameList& frames, int width, int height, AnimationFormat format,
                    std::FILE* out, const std::string& name, const AnimationTiming& timing = {},
                    int threads = 0);

}  // namespace carbonel
