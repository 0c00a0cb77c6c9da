#include "imageio/photo_input.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "imageio/file_bytes.h"
#include "sketch/error.h"

namespace carbonel {

PhotoInput PhotoInput::openFile(const std::string& path) {
    std::uint64_t size = 0;
    std::FILE* file = openForReading(path, size);
    struct stat status {};
    if (::fstat(::fileno(file), &status) == 0 && S_ISREG(status.st_mode))
        return PhotoInput(file, size, path);
    // A named pipe or a device has no size to seek in: it is read whole first.
    std::fclose(file);
    return PhotoInput(readFileBytes(path), path);
}

PhotoInput PhotoInput::fromStream(std::FILE* stream, const std::string& name) {
    PhotoInput input(stream, 0, name);
    input.stream_ = true;
    return input;
}

PhotoInput::PhotoInput(std::FILE* file, std::uint64_t size, std::string name)
    : file_(file), size_(size), name_(std::move(name)) {}

PhotoInput::PhotoInput(std::vector<std::uint8_t> bytes, std::string name)
    : bytes_(std::move(bytes)), size_(bytes_.size()), name_(std::move(name)) {}

PhotoInput::PhotoInput(PhotoInput&& other) noexcept
    : file_(other.file_),
      bytes_(std::move(other.bytes_)),
      size_(other.size_),
      at_(other.at_),
      stream_(other.stream_),
      name_(std::move(other.name_)) {
    other.file_ = nullptr;
}

PhotoInput::~PhotoInput() {
    if (file_) std::fclose(file_);
}

std::size_t PhotoInput::read(void* out, std::size_t count) {
    if (!file_) {
        const std::size_t n = at_ >= size_ ? 0 : std::min<std::uint64_t>(count, size_ - at_);
        if (n > 0) std::memcpy(out, bytes_.data() + at_, n);
        at_ += n;
        return n;
    }
    const std::size_t n = std::fread(out, 1, count, file_);
    if (n < count && std::ferror(file_))
        throw Error("Cannot read file " + name_ + ": " + std::strerror(errno));
    at_ += n;
    return n;
}

bool PhotoInput::seek(std::uint64_t offset) {
    if (stream_ || offset > size_) return false;
    if (file_ && ::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    at_ = offset;
    return true;
}

const std::vector<std::uint8_t>& PhotoInput::wholeBytes() {
    if (stream_) throw Error(name_ + ": this kind of picture cannot be read from a stream");
    if (file_) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size_));
        if (!seek(0) || read(bytes.data(), bytes.size()) != bytes.size())
            throw Error("Cannot read file " + name_ + ": it is shorter than it was");
        bytes_ = std::move(bytes);
        std::fclose(file_);
        file_ = nullptr;
        at_ = 0;
    }
    return bytes_;
}

}  // namespace carbonel
