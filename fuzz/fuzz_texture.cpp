// A paper texture from arbitrary BMP bytes, laid tiled and stretched under a small sketch.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imageio/photo_reader.h"
#include "sketch/error.h"
#include "sketch/texture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const carbonel::Raster paper = carbonel::decodePicture(
            std::vector<std::uint8_t>(data, data + size), carbonel::PhotoKind::Bmp);
        for (carbonel::TextureFit fit :
             {carbonel::TextureFit::Tile, carbonel::TextureFit::Stretch}) {
            carbonel::Raster sketch;
            carbonel::applyTexture(sketch, 37, 23, paper, fit);
        }
    } catch (const carbonel::Error&) {
    }
    return 0;
}
