#include "cli/standard_streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "imageio/sketch_writer.h"
#include "sketch/error.h"

namespace carbonel::cli {
namespace {

[[noreturn]] void failOutput() {
    throw Error(std::string("Cannot write standard output: ") + std::strerror(errno));
}

// A file in the temporary folder that has no name from the start (or loses it at once where the
// file system cannot make unnamed files), readable by its owner only: no signal, not even
// SIGKILL, can leave it behind.
std::FILE* unnamedTemporaryFile() {
    const char* variable = std::getenv("TMPDIR");
    const std::string folder = variable && *variable ? variable : "/tmp";
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::string pattern = folder + "/carbonel-XXXXXX";
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0) ::unlink(pattern.c_str());
    }
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "w+b");
    if (!file) {
        const int reason = errno;
        if (fd >= 0) ::close(fd);
        throw Error("Cannot create a temporary file in " + folder + ": " + std::strerror(reason));
    }
    return file;
}

void copyToStandardOutput(std::FILE* in) {
    std::rewind(in);
    std::uint8_t buffer[1 << 16];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
        if (std::fwrite(buffer, 1, got, stdout) != got) failOutput();
    }
    if (std::ferror(in))
        throw Error(std::string("Cannot read a temporary file: ") + std::strerror(errno));
}

}  // namespace

void writeStandardOutput(const std::function<void(std::FILE*)>& write) {
    write(stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) failOutput();
}

bool standardOutputWritten() {
    std::cout.flush();
    if (std::cout && std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    std::cerr << "carbonel-cli: Cannot write standard output: " << std::strerror(errno) << '\n';
    return false;
}

void writeStandardOutput(OutputFormat format, const std::function<void(std::FILE*)>& write) {
    if (writtenOutOfOrder(format)) {
        writeStandardOutputThroughFile(write);
    } else {
        writeStandardOutput(write);
    }
}

void writeStandardOutputThroughFile(const std::function<void(std::FILE*)>& write) {
    std::FILE* temporary = unnamedTemporaryFile();
    try {
        write(temporary);
        if (std::fflush(temporary) != 0 || std::ferror(temporary))
            throw Error(std::string("Cannot write a temporary file: ") + std::strerror(errno));
        copyToStandardOutput(temporary);
    } catch (...) {
        std::fclose(temporary);
        throw;
    }
    std::fclose(temporary);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) failOutput();
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
