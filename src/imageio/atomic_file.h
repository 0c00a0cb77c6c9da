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

    // The same in two steps, for a caller that picks the final name once the file is written:
    // close() flushes and closes (failing as commit does), then moveTo() gives the file its name;
    // without `replace` it returns false, moving nothing, when that name is taken.
    void close();
    bool moveTo(const std::filesystem::path& target, bool replace);

  private:
    [[noreturn]] void failWrite();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::FILE* stream_ = nullptr;
    bool placed_ = false;
};

}  // namespace carbonel
