// The BMP reader on arbitrary bytes: it decodes them or refuses them with our error, nothing else.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imageio/photo_reader.h"
#include "sketch/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        carbonel::decodePicture(std::vector<std::uint8_t>(data, data + size),
                                carbonel::PhotoKind::Bmp);
    } catch (const carbonel::Error&) {
    }
    return 0;
}
