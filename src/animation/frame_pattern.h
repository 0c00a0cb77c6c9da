#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace carbonel {

// A file name with one frame number in it, as ffmpeg's picture sequences are named: "%d", or
// "%05d" for a number padded with zeros to five digits; "%%" is a percent sign.
class FramePattern {
  public:
    // The pattern in `text`; none when it holds no number, or more than one, or a "%" that is
    // neither.
    static std::optional<FramePattern> parse(const std::string& text);
    // Whether the text means to be a pattern (it holds a "%").
    static bool looksLikeOne(const std::string& text);

    // The name of frame `number` (counted from 1).
    std::string name(std::int64_t number) const;

  private:
    std::string before_, after_;
    int digits_ = 0;
};

}  // namespace carbonel
