#include "imageio/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "imageio/atomic_file.h"
#include "sketch/error.h"

namespace carbonel {

std::FILE* openForReading(const std::string& path, std::uint64_t& size) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw Error("Cannot open file " + path + ": " + std::strerror(errno));
    const bool measured = ::fseeko(file, 0, SEEK_END) == 0;
    const off_t end = measured ? ::ftello(file) : -1;
    size = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    std::rewind(file);
    return file;
}

std::vector<std::uint8_t> readFileBytes(const std::string& path) {
    std::uint64_t size = 0;
    std::FILE* file = openForReading(path, size);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    std::uint8_t buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    const int failure = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (failure) throw Error("Cannot read file " + path + ": " + std::strerror(failure));
    return bytes;
}

namespace {

[[noreturn]] void refuseOutOfOrder(const std::string& what, const std::string& why) {
    throw Error(what + " is written out of order and needs a file it can seek in, not " + why +
                "; write it to a regular file");
}

}  // namespace

void refuseUnlessSeekable(std::FILE* out, const std::string& what) {
    if (std::ftell(out) >= 0) return;
    refuseOutOfOrder(what, errno == ESPIPE ? "a pipe or a terminal" : std::strerror(errno));
}

void refusePipeTarget(const std::string& path, const std::string& what) {
    if (takesBytesInOrderOnly(path)) refuseOutOfOrder(what, "a named pipe or a socket");
}

}  // namespace carbonel
