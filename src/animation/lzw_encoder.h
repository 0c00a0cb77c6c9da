#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace carbonel {

// The GIF flavour of LZW: codes of 9 to 12 bits packed least-significant bit first, a clear code
// first and whenever the dictionary fills (at code 4095), written as length-prefixed sub-blocks.
class LzwEncoder {
  public:
    // Appends the image data of `count` colour indices: the minimum code size byte, the sub-blocks
    // and the terminating 0. `minCodeSize` is the table's bits per pixel, at least 2. Every index
    // must be below `tableSize`; otherwise coding stops with "Color not in color table".
    static void encode(const std::uint8_t* pixels, std::size_t count, int minCodeSize,
                       std::size_t tableSize, std::string& out);
};

}  // namespace carbonel
