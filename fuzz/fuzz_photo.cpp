// One photo kind's reader on arbitrary bytes (the kind is chosen when the target is built): it
// hands out every row or refuses the bytes with our error, nothing else. The Exif orientation
// tag's reader runs on the same bytes. Valid pictures of over 1 megapixel (a few bytes of GIF or
// BMP can make one) are opened but not read: under the sanitizers their rows are slow enough to
// take most of the fuzzer's time, or all of its limit.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imageio/orientation.h"
#include "imageio/photo_reader.h"
#include "sketch/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    carbonel::exifOrientation(data, size);
    try {
        const auto reader = carbonel::openPhotoBytes(std::vector<std::uint8_t>(data, data + size),
                                                     carbonel::PhotoReading::Upright, "fuzz",
                                                     carbonel::PhotoKind::FUZZ_PHOTO_KIND);
        if (std::int64_t{reader->width()} * reader->height() > 1'000'000) return 0;
        unsigned sum = 0;
        reader->readRows([&](int, const std::uint8_t* row) {
            for (int x = 0; x < reader->width() * 3; ++x) sum += row[x];
        });
        if (sum == 1) return -1;  // keeps the reads from being optimised away
    } catch (const carbonel::Error&) {
    }
    return 0;
}
