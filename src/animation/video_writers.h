#pragma once

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "animation/animation_formats.h"
#include "sketch/raster.h"

namespace carbonel {

// An animation file being written a frame at a time.
class AnimationWriter {
  public:
    virtual ~AnimationWriter() = default;
    // Whether the writer takes each composition as its web-palette colour indices, a byte a pixel
    // (addIndexedFrame), instead of in full colour (addFrame): a GIF holds nothing more, and the
    // composition then takes a third of the memory.
    virtual bool takesWebIndices() const { return false; }
    // The next frame, of the animation's size; `changed` holds every pixel that differs from the
    // frame before (empty when none does), and for WebP `changedPixels` flags them (drawFrameRows).
    virtual void addFrame(const Raster& frame, const PixelBox& changed,
                          const std::vector<std::uint8_t>& changedPixels) = 0;
    // The next frame as web-palette indices, width x height, row after row (drawFrameIndices).
    // The writer may borrow the vector's storage, and hands it back holding the same indices.
    virtual void addIndexedFrame(std::vector<std::uint8_t>& indices) {
        (void)indices;
        throw std::logic_error("this animation writer takes frames in full colour");
    }
    virtual void finish() = 0;
};

// A writer of the format into `out`, which stays the caller's: GIF a few frames at a time, its
// frames LZW-coded on `threads` threads (0: every core); WebP through libwebp's encoder a frame at
// a time (`out` must seek); MP4 through FFmpeg's libraries, the index at the front where `out` can
// be read back and sought, else fragmented.
std::unique_ptr<AnimationWriter> openAnimationWriter(AnimationFormat format, std::FILE* out,
                                                     int width, int height,
                                                     const AnimationTiming& timing,
                                                     int threads = 0);

// The GIF writer (animation_export.cpp).
std::unique_ptr<AnimationWriter> openGifWriter(std::FILE* out, int width, int height,
                                               const AnimationTiming& timing, int threads);

}  // namespace carbonel
