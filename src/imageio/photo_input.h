#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace carbonel {

// Where a photo's bytes come from: a file, read as a reader asks, or bytes held in memory. The
// readers of the libraries that take a stream read through it.
class PhotoInput {
  public:
    // Opens a file (one that is not a regular file, such as a named pipe, is read whole at once);
    // fails with "Cannot open file PATH: WHY".
    static PhotoInput openFile(const std::string& path);
    PhotoInput(std::vector<std::uint8_t> bytes, std::string name);
    // A stream read in order only (a pipe), which it closes; its size is unknown (0), and it
    // cannot seek.
    static PhotoInput fromStream(std::FILE* stream, const std::string& name);
    PhotoInput(PhotoInput&& other) noexcept;
    PhotoInput& operator=(PhotoInput&&) = delete;
    PhotoInput(const PhotoInput&) = delete;
    ~PhotoInput();

    // The photo's name for messages ("" for nameless bytes).
    const std::string& name() const { return name_; }
    std::uint64_t size() const { return size_; }
    // Reads up to `count` bytes; fewer only at the end. A file that cannot be read fails.
    std::size_t read(void* out, std::size_t count);
    // Moves to `offset`; false past the end.
    bool seek(std::uint64_t offset);
    std::uint64_t tell() const { return at_; }
    // Every byte, in memory: a file is read whole the first time.
    const std::vector<std::uint8_t>& wholeBytes();

  private:
    PhotoInput(std::FILE* file, std::uint64_t size, std::string name);

    std::FILE* file_ = nullptr;
    std::vector<std::uint8_t> bytes_;
    std::uint64_t size_ = 0;
    std::uint64_t at_ = 0;
    bool stream_ = false;
    std::string name_;
};

}  // namespace carbonel
