// Animation frames from arbitrary bytes (a BMP frame and a JPEG frame) built into a GIF.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "animation/animation_export.h"
#include "animation/gif_writer.h"
#include "imageio/bmp_reader.h"
#include "imageio/jpeg_codec.h"
#include "sketch/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    carbonel::FrameList frames;
    frames.count = 2;
    frames.frame = [&](int index) {
        if (index == 0) return carbonel::decodeBmp(data, size);
        return carbonel::decodeJpeg(std::vector<std::uint8_t>(data, data + size));
    };
    try {
        std::string gif;
        carbonel::writeGif(carbonel::buildAnimation(frames, 31, 17), gif, 1);
    } catch (const carbonel::Error&) {
    }
    return 0;
}
