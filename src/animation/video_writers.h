#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "animation/animation_formats.h"
#include "sketch/raster.h"

namespace carbonel {

// An animation file being written a frame at a time.
class AnimationWriter {
  public:
    virtual ~AnimationWriter() = default;
    // The next frame, of the animation's size; `changed` holds every pixel that differs from the
    // frame before (empty when none does), and for WebP `changedPixels` flags them (drawFrameRows).
    virtual void addFrame(const Raster& frame, const PixelBox& changed,
                          const std::vector<std::uint8_t>& changedPixels) = 0;
    virtual void finish() = 0;
};

// A writer of the format into `out` (readable and seekable), which stays the caller's: WebP
// through libwebp's encoder a frame at a time, MP4 through FFmpeg's libraries. None for GIF, which
// exportAnimation writes.
std::unique_ptr<AnimationWriter> openAnimationWriter(AnimationFormat format, std::FILE* out,
                                                     int width, int height,
                                                     const AnimationTiming& timing);

}  // namespace carbonel
