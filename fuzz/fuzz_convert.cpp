// The whole conversion of an arbitrary JPEG file on two threads (decoding, sketching and encoding
// at once), as `carbonel-cli convert` runs it: it succeeds or fails with our error, leaving no
// file behind on failure.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "imageio/conversion.h"
#include "sketch/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder = [] {
        char name[] = "/tmp/carbonel-fuzz-XXXXXX";
        return std::filesystem::path(::mkdtemp(name));
    }();
    const std::string photo = (folder / "photo.jpg").string();
    const std::string sketch = (folder / "sketch.jpg").string();
    std::FILE* file = std::fopen(photo.c_str(), "wb");
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    carbonel::ConversionOptions options;
    options.threads = 2;
    try {
        carbonel::AtomicFile out(sketch);
        carbonel::convertPhotoFile(photo, out, carbonel::OutputFormat::Jpeg, options);
        out.commit();
        std::filesystem::remove(sketch);
    } catch (const carbonel::Error&) {
        if (std::filesystem::exists(sketch)) std::abort();  // a failure wrote a file
    }
    return 0;
}
