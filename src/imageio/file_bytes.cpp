#include "imageio/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sketch/error.h"

namespace carbonel {

std::vector<std::uint8_t> readFileBytes(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw Error("Cannot open file " + path + ": " + std::strerror(errno));
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    const int failure = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (failure) throw Error("Cannot read file " + path + ": " + std::strerror(failure));
    return bytes;
}

}  // namespace carbonel
