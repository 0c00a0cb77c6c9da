#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "animation/video_stream.h"

namespace carbonel {

// How one decoded frame is shown in the sketch video: from `time`, for `duration`, in the
// timeline's output time base.
struct ShownFrame {
    std::int64_t time = 0;
    std::int64_t duration = 0;
    bool operator==(const ShownFrame&) const = default;
};

// The times of the sketch video's frames, from those of the decoded frames: the part from `start`
// to `end` is kept and moved to begin at 0, each frame lasting until the next one starts (as
// variable frame rates are timed in the input). With `rate`, the frames are resampled to that
// constant rate instead: each tick k (at k / rate) shows the frame on screen at that time, each
// frame's start rounded to the nearest tick, so frames are repeated or dropped as the rates ask.
// Times that do not grow (a damaged stream) are moved one unit past the frame before.
class FrameTimeline {
  public:
    // Times in `timeBase`; `start` and `end` in it too.
    FrameTimeline(Ratio timeBase, std::int64_t start, std::optional<std::int64_t> end,
                  std::optional<Ratio> rate);

    Ratio outputTimeBase() const;
    // The next decoded frame starts at `time`: how the frame before it is shown (none, once, or
    // for a rate, as many ticks as it covers).
    std::vector<ShownFrame> next(std::int64_t time);
    // The last frame has been given and lasts `duration`: how it is shown.
    std::vector<ShownFrame> finish(std::int64_t duration);
    // Whether the part to keep is over: no frame from here on is shown.
    bool ended() const { return ended_; }

  private:
    std::vector<ShownFrame> show(std::int64_t from, std::int64_t to);
    std::int64_t tick(std::int64_t time) const;

    Ratio timeBase_;
    std::int64_t start_;
    std::optional<std::int64_t> end_;
    std::optional<Ratio> rate_;
    std::optional<std::int64_t> previous_;  // the start of the frame not yet shown
    bool ended_ = false;
};

}  // namespace carbonel
