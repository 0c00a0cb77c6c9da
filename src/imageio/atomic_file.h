#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

namespace carbonel {

// Removes the named temporary files of unfinished writes when the program is interrupted (SIGINT,
// SIGTERM, SIGHUP), then ends it as the signal would, and makes a file size limit (SIGXFSZ) a write
// error. For the programs' main functions.
void removeTemporariesOnInterrupt();

// A file written unnamed in the target's folder and given its name only when complete, so a failed
// or interrupted write never leaves a partial file nor touches an existing one. Where the file
// system has no unnamed files, it is written under a temporary name instead, which is removed on
// failure and on interrupt.
// Whether the file a name stands for (its links followed) is a named pipe or a socket, which takes
// bytes in order only: a format that seeks is refused there before the pipe is opened (opening it
// waits for its reader).
bool takesBytesInOrderOnly(const std::filesystem::path& target);

class AtomicFile {
  public:
    // Whether the file may take the place of an existing one (commit), or only ever gets a name
    // that is free (moveTo without replacing).
    enum class Existing { Replaced, NeverReplaced };

    // Fails with "Cannot create file %s: REASON" when the file cannot be made. A file that
    // replaces another keeps its permission bits; a symbolic link is followed, so the file it
    // points to is replaced and the link stays (a hard link, though, gets a new file of its own),
    // except a link in a sticky folder that everyone may write to which belongs neither to the
    // caller nor to the folder's owner: that is refused. A named pipe or a device is written into
    // as it is, never replaced (its writes are then not atomic, and a pipe cannot seek), under the
    // same rule in a shared folder; a socket is refused.
    explicit AtomicFile(const std::filesystem::path& target,
                        Existing existing = Existing::Replaced);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    std::FILE* stream() { return stream_; }
    // The name the file is meant for, for messages.
    const std::filesystem::path& target() const { return target_; }
    void write(const void* data, std::size_t size);
    // Flushes, closes and puts the file in place of the target; fails with "Cannot write file %s:
    // REASON".
    void commit();

    // The same in two steps, for a caller that picks the final name once the file is written:
    // close() flushes and closes (failing as commit does), then moveTo() gives the file its name;
    // without `replace` it returns false, moving nothing, when that name is taken.
    void close();
    bool moveTo(const std::filesystem::path& target, bool replace);

  private:
    void openSpecial();
    [[noreturn]] void failWrite();
    // Removes the temporary name, if any, unless it was placed, and stops holding it.
    void forget();

    std::filesystem::path target_;
    std::filesystem::path written_;    // the file the target names, its links followed
    std::filesystem::path temporary_;  // the file's name while unfinished ("" while unnamed)
    std::FILE* stream_ = nullptr;
    int fd_ = -1;  // an unnamed file's descriptor after close(), for linking
    bool unnamed_ = false;
    int slot_ = -1;  // where the interrupt handler finds the temporary name
    bool placed_ = false;
    bool special_ = false;  // a pipe, device or socket, written into
};

}  // namespace carbonel
