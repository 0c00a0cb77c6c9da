// The BMP reader on arbitrary bytes: it decodes them or refuses them with our error, nothing else.
#include <cstddef>
#include <cstdint>

#include "imageio/bmp_reader.h"
#include "sketch/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        carbonel::decodeBmp(data, size);
    } catch (const carbonel::Error&) {
    }
    return 0;
}
