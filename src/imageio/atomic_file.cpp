#include "imageio/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>

#include "sketch/error.h"

namespace carbonel {
namespace fs = std::filesystem;

namespace {

std::string temporarySuffix() {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    return ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(seed % 100000) + "-" +
           std::to_string(counter++);
}

}  // namespace

AtomicFile::AtomicFile(const fs::path& target) : target_(target) {
    std::error_code error;
    if (fs::is_directory(target, error)) throw Error("Cannot create file " + target.string());
    for (int attempt = 0; attempt < 100 && !stream_; ++attempt) {
        temporary_ = target;
        temporary_ += temporarySuffix();
        const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            break;
        }
        stream_ = ::fdopen(fd, "wb");
        if (!stream_) {
            ::close(fd);
            ::unlink(temporary_.c_str());
            break;
        }
    }
    if (!stream_) throw Error("Cannot create file " + target.string());
}

AtomicFile::~AtomicFile() {
    if (stream_) std::fclose(stream_);
    if (!placed_) ::unlink(temporary_.c_str());
}

void AtomicFile::write(const void* data, std::size_t size) {
    if (size != 0 && std::fwrite(data, 1, size, stream_) != size) failWrite();
}

void AtomicFile::close() {
    const bool flushed =
        std::fflush(stream_) == 0 && std::ferror(stream_) == 0 && ::fsync(::fileno(stream_)) == 0;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!flushed || !closed) throw Error("Cannot write file " + target_.string());
}

bool AtomicFile::moveTo(const fs::path& target, bool replace) {
    if (replace) {
        if (std::rename(temporary_.c_str(), target.c_str()) != 0) {
            throw Error("Cannot write file " + target.string());
        }
    } else if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target.c_str(),
                           RENAME_NOREPLACE) != 0) {
        // A file system without the no-replace rename: a hard link fails on a taken name too.
        const bool linked = errno == EINVAL && ::link(temporary_.c_str(), target.c_str()) == 0;
        if (!linked) {
            if (errno == EEXIST) return false;
            throw Error("Cannot write file " + target.string());
        }
        ::unlink(temporary_.c_str());
    }
    placed_ = true;
    return true;
}

void AtomicFile::commit() {
    close();
    moveTo(target_, true);
}

void AtomicFile::failWrite() {
    std::fclose(stream_);
    stream_ = nullptr;
    throw Error("Cannot write file " + target_.string());
}

}  // namespace carbonel
