#include "animation/frame_pattern.h"

namespace carbonel {

bool FramePattern::looksLikeOne(const std::string& text) {
    return text.find('%') != std::string::npos;
}

std::optional<FramePattern> FramePattern::parse(const std::string& text) {
    FramePattern pattern;
    bool numbered = false;
    std::string* part = &pattern.before_;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            *part += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '%') {
            *part += '%';
            ++i;
            continue;
        }
        std::size_t at = i + 1;
        int digits = 0;
        if (at < text.size() && text[at] == '0') {
            ++at;
            // One digit of width: more would be a name no file system takes.
            if (at >= text.size() || text[at] < '1' || text[at] > '9') return std::nullopt;
            digits = text[at++] - '0';
        }
        if (numbered || at >= text.size() || text[at] != 'd') return std::nullopt;
        numbered = true;
        pattern.digits_ = digits;
        part = &pattern.after_;
        i = at;
    }
    if (!numbered) return std::nullopt;
    return pattern;
}

std::string FramePattern::name(std::int64_t number) const {
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < digits_)
        digits.insert(0, static_cast<std::size_t>(digits_) - digits.size(), '0');
    return before_ + digits + after_;
}

}  // namespace carbonel
