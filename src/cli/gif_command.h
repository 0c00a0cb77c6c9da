#pragma once

#include <string>
#include <vector>

namespace carbonel::cli {

struct GifArgs {
    std::string output;
    std::vector<std::string> frames;
    std::string size;  // "WxH", or "" for the first frame's size
};

// Throws UsageError when OUTPUT or the frames are missing or an option is unknown.
GifArgs parseGifArgs(const std::vector<std::string>& args);

// Builds the animation as the recorder's Save Animate does; 1 on a bad size or file.
int runGif(const GifArgs& args);

}  // namespace carbonel::cli
