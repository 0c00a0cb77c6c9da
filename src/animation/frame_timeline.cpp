#include "animation/frame_timeline.h"

#include <algorithm>
#include <cmath>

namespace carbonel {

FrameTimeline::FrameTimeline(Ratio timeBase, std::int64_t start, std::optional<std::int64_t> end,
                             std::optional<Ratio> rate)
    : timeBase_(timeBase), start_(start), end_(end), rate_(rate) {}

Ratio FrameTimeline::outputTimeBase() const {
    return rate_ ? Ratio{rate_->den, rate_->num} : timeBase_;
}

std::int64_t FrameTimeline::tick(std::int64_t time) const {
    // In long double: a time base's and a rate's terms multiplied may pass 64 bits.
    const long double ticks = static_cast<long double>(time - start_) * timeBase_.num * rate_->num /
                              (static_cast<long double>(timeBase_.den) * rate_->den);
    return std::llround(ticks);
}

std::vector<ShownFrame> FrameTimeline::show(std::int64_t from, std::int64_t to) {
    if (end_ && to >= *end_) {
        to = *end_;
        ended_ = true;
    }
    from = std::max(from, start_);
    std::vector<ShownFrame> shown;
    if (to <= from) return shown;
    if (!rate_) {
        shown.push_back({from - start_, to - from});
        return shown;
    }
    for (std::int64_t k = tick(from), last = tick(to); k < last; ++k) shown.push_back({k, 1});
    return shown;
}

std::vector<ShownFrame> FrameTimeline::next(std::int64_t time) {
    if (ended_) return {};
    if (!previous_) {
        previous_ = time;
        return {};
    }
    time = std::max(time, *previous_ + 1);
    std::vector<ShownFrame> shown = show(*previous_, time);
    previous_ = time;
    return shown;
}

std::vector<ShownFrame> FrameTimeline::finish(std::int64_t duration) {
    if (ended_ || !previous_) return {};
    std::vector<ShownFrame> shown =
        show(*previous_, *previous_ + std::max<std::int64_t>(duration, 1));
    ended_ = true;
    return shown;
}

}  // namespace carbonel
