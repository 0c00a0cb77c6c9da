#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace carbonel::test {

// A GIF file as giflib, an independent decoder, reads it.
struct DecodedFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;
    int delay = -1;
    int transparentIndex = -1;
};

struct DecodedGif {
    bool ok = false;
    std::string error;
    int screenWidth = 0;
    int screenHeight = 0;
    int loopCount = -1;  // from the NETSCAPE2.0 extension, -1 when there is none
    int loopExtensions = 0;
    int loopExtensionFrame = -1;  // the frame whose extensions hold the loop extension
    std::vector<DecodedFrame> frames;
};

DecodedGif decodeGif(const std::string& bytes);

// The image data (minimum code size, sub-blocks, terminator) that giflib's own encoder writes for
// the indices of a frame with a 256-entry table.
std::string giflibImageData(const std::vector<std::uint8_t>& indices, int width, int height);

}  // namespace carbonel::test
