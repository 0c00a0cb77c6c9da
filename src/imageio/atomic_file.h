#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

namespace carbonel {

// A file written under a temporary name in the target's folder and renamed over the target only
// when complete, so a failed write never leaves a partial file nor touches an existing one.
class AtomicFile {
  public:
    // Fails with "Cannot create file %s" when the temporary file cannot be made.
    explicit AtomicFile(const std::filesystem::path& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    std::FILE* stream() { return stream_; }
    void write(const void* data, std::size_t size);
    // Flushes, closes and renames over the target; fails with "Cannot write file %s".
    void commit();

  private:
    [[noreturn]] void failWrite();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::FILE* stream_ = nullptr;
};

}  // namespace carbonel
