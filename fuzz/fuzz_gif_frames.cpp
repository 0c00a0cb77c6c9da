// Animation frames from arbitrary bytes (a BMP frame and a JPEG frame) built into a GIF.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "animation/animation_export.h"
#include "animation/gif_writer.h"
#include "imageio/photo_reader.h"
#include "sketch/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    carbonel::FrameList frames;
    frames.count = 2;
    frames.frame = [&](int index) {
        return carbonel::decodePicture(
            std::vector<std::uint8_t>(data, data + size),
            index == 0 ? carbonel::PhotoKind::Bmp : carbonel::PhotoKind::Jpeg);
    };
    try {
        std::string gif;
        carbonel::writeGif(carbonel::buildAnimation(frames, 31, 17), gif, 1);
    } catch (const carbonel::Error&) {
    }
    return 0;
}
