#include "cli/standard_streams.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "imageio/picture_names.h"
#include "sketch/error.h"

namespace carbonel::cli {
namespace {

std::string systemReason() {
    return std::strerror(errno);
}

void writeAll(int fd, const std::uint8_t* data, std::size_t size, const std::string& what) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw Error("Cannot write " + what + ": " + systemReason());
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& extension) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "carbonel-XXXXXX").string() + extension;
    const int fd = ::mkstemps(pattern.data(), static_cast<int>(extension.size()));
    if (fd < 0) throw Error("Cannot create a temporary file: " + systemReason());
    ::close(fd);
    path_ = pattern;
}

TemporaryFile::~TemporaryFile() {
    ::unlink(path_.c_str());
}

std::unique_ptr<TemporaryFile> standardInputAsFile() {
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw Error("Cannot read standard input: " + systemReason());
        if (got == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    PhotoKind kind{};
    try {
        kind = photoKindOfBytes(bytes.data(), bytes.size());
    } catch (const Error& error) {
        throw Error(std::string("standard input: ") + error.what());
    }
    auto file = std::make_unique<TemporaryFile>(std::string(".") + photoKindExtension(kind));
    std::FILE* out = std::fopen(file->path().c_str(), "wb");
    if (!out) throw Error("Cannot create a temporary file: " + systemReason());
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written) {
        throw Error("Cannot write a temporary file: " + systemReason());
    }
    return file;
}

void copyToStandardOutput(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) throw Error("Cannot open file " + path + ": " + systemReason());
    std::uint8_t buffer[1 << 16];
    try {
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
            writeAll(STDOUT_FILENO, buffer, got, "standard output");
    } catch (...) {
        std::fclose(in);
        throw;
    }
    std::fclose(in);
}

void refuseSameFile(const std::string& photo, const std::string& output) {
    struct stat photoStatus {};
    struct stat outputStatus {};
    if (::stat(photo.c_str(), &photoStatus) != 0 || ::stat(output.c_str(), &outputStatus) != 0)
        return;  // an output not yet there cannot be the photo
    if (photoStatus.st_dev == outputStatus.st_dev && photoStatus.st_ino == outputStatus.st_ino) {
        throw Error(output + ": is the photo itself; its sketch would replace it");
    }
}

}  // namespace carbonel::cli
