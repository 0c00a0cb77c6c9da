#include "imageio/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
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

// The named temporary files that exist right now, for the interrupt handler to remove. Only a
// file system without unnamed files needs them. Fixed slots, so the handler neither allocates nor
// locks.
struct NamedTemporaries {
    static constexpr int kSlots = 64;
    enum State : int { kFree, kBusy, kHeld };
    std::array<std::atomic<int>, kSlots> state{};
    std::array<std::array<char, PATH_MAX>, kSlots> path{};

    int hold(const fs::path& file) {
        const std::string text = file.string();
        if (text.size() >= PATH_MAX) return -1;
        for (int i = 0; i < kSlots; ++i) {
            int expected = kFree;
            if (!state[i].compare_exchange_strong(expected, kBusy)) continue;
            std::memcpy(path[i].data(), text.c_str(), text.size() + 1);
            state[i].store(kHeld);
            return i;
        }
        return -1;
    }
    void release(int slot) {
        if (slot >= 0) state[slot].store(kFree);
    }
    void removeAll() {
        for (int i = 0; i < kSlots; ++i) {
            if (state[i].load() == kHeld) ::unlink(path[i].data());
        }
    }
};

NamedTemporaries& namedTemporaries() {
    static NamedTemporaries temporaries;
    return temporaries;
}

void removeTemporariesAndDie(int signal) {
    namedTemporaries().removeAll();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Gives an unnamed file a name; fails where that name is taken.
bool linkUnnamed(int fd, const fs::path& target) {
    if (::linkat(fd, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT && errno != EPERM) return false;
    // Without the right to link a descriptor directly, through its name in /proc.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

void removeTemporariesOnInterrupt() {
    namedTemporaries();  // made before any handler can run
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, removeTemporariesAndDie);
    // A file size limit then makes a write fail, which is reported, instead of ending the program.
    ::signal(SIGXFSZ, SIG_IGN);
}

namespace {

[[noreturn]] void refuseCreate(const fs::path& target, const std::string& reason) {
    throw Error("Cannot create file " + target.string() + ": " + reason);
}

// Whether the file (a link, a named pipe or a device) may be used when its folder is shared: in a
// sticky folder that everyone may write to, only one of the caller's own or of the folder's owner,
// as the kernel's protected-symlinks and protected-FIFOs rules have it, so that another user cannot
// plant a link that sends our write onto a file of ours, or a pipe that reads our sketch.
bool ownedSafely(const fs::path& file) {
    struct stat fileStatus {};
    struct stat folderStatus {};
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (::lstat(file.c_str(), &fileStatus) != 0 || ::stat(folder.c_str(), &folderStatus) != 0)
        return true;  // gone meanwhile: the write then fails or makes a file of its own
    const bool shared = (folderStatus.st_mode & S_ISVTX) && (folderStatus.st_mode & S_IWOTH);
    return !shared || fileStatus.st_uid == ::geteuid() || fileStatus.st_uid == folderStatus.st_uid;
}

// The file a name stands for: a symbolic link is followed, link after link, to the file it points
// to (which need not exist yet), as `cp` does.
fs::path followLinks(const fs::path& target) {
    std::error_code error;
    fs::path path = target;
    for (int hops = 0; fs::is_symlink(fs::symlink_status(path, error)); ++hops) {
        if (hops == 40) refuseCreate(target, std::strerror(ELOOP));
        if (!ownedSafely(path)) {
            refuseCreate(target, "the link " + path.string() +
                                     " in a shared folder belongs to another user; not followed");
        }
        const fs::path link = fs::read_symlink(path, error);
        if (error) break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path;
}

// A name of our own in `folder`, short whatever the target's name (which may already take all the
// 255 bytes a name may have), hidden from folder listings.
fs::path temporaryIn(const fs::path& folder) {
    return folder / (".carbonel" + temporarySuffix());
}

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// A named pipe, a device or a socket (not a link: links are followed before): what a reader waits
// on or a driver takes, which a written file must go into, as `cp` writes, not replace.
bool isSpecialFile(const fs::path& file) {
    struct stat status {};
    return ::lstat(file.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
           !S_ISDIR(status.st_mode) && !S_ISLNK(status.st_mode);
}

}  // namespace

AtomicFile::AtomicFile(const fs::path& target, Existing existing)
    : target_(target), written_(existing == Existing::Replaced ? followLinks(target) : target) {
    std::error_code error;
    if (fs::is_directory(written_, error))
        throw Error("Cannot create file " + target.string() + ": is a folder");
    if (existing == Existing::Replaced && isSpecialFile(written_)) {
        openSpecial();
        return;
    }
    // First an unnamed file in the target's folder: it has no name until it is complete, so
    // nothing, not even a kill, can leave it behind.
    const fs::path folder = folderOf(written_);
    // CARBONEL_NAMED_TEMPORARIES=1 takes the other way, to test it where unnamed files work.
    static const bool named = std::getenv("CARBONEL_NAMED_TEMPORARIES") != nullptr;
    // Readable too: a video's muxer reads back what it wrote to move its index to the front.
    int fd = named ? -1 : ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
        unnamed_ = true;
    } else if (named || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            temporary_ = temporaryIn(folder);
            const int slot = namedTemporaries().hold(temporary_);
            fd = ::open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                slot_ = slot;
            } else {
                const int reason = errno;
                namedTemporaries().release(slot);
                temporary_.clear();  // not ours: never to be removed
                errno = reason;
                if (errno != EEXIST) break;
            }
        }
    }
    // A file written in place of another keeps its permission bits.
    struct stat existingFile {};
    if (fd >= 0 && existing == Existing::Replaced && ::stat(written_.c_str(), &existingFile) == 0 &&
        S_ISREG(existingFile.st_mode)) {
        ::fchmod(fd, existingFile.st_mode & 07777);
    }
    if (fd >= 0) stream_ = ::fdopen(fd, "w+b");
    if (!stream_) {
        const int reason = errno;
        if (fd >= 0) ::close(fd);
        forget();
        refuseCreate(target, std::strerror(reason));
    }
}

void AtomicFile::openSpecial() {
    special_ = true;
    struct stat status {};
    if (::lstat(written_.c_str(), &status) == 0 && S_ISSOCK(status.st_mode))
        refuseCreate(target_, "is a socket, which a file cannot be written into");
    if (!ownedSafely(written_)) {
        refuseCreate(target_, written_.string() +
                                  " in a shared folder belongs to another user; not written into");
    }
    // Opening a named pipe waits for its reader, as `cp` does. Not through a link, and only what
    // was seen: a pipe swapped for a link or a file meanwhile is refused.
    const int fd = ::open(written_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0 &&
        (::fstat(fd, &status) != 0 || S_ISREG(status.st_mode) || S_ISDIR(status.st_mode))) {
        ::close(fd);
        refuseCreate(target_, "it changed while it was opened");
    }
    if (fd >= 0) stream_ = ::fdopen(fd, "wb");
    if (!stream_) {
        const int reason = errno;
        if (fd >= 0) ::close(fd);
        refuseCreate(target_, std::strerror(reason));
    }
}

bool takesBytesInOrderOnly(const fs::path& target) {
    struct stat status {};
    return ::stat(target.c_str(), &status) == 0 &&
           (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode));
}

AtomicFile::~AtomicFile() {
    if (stream_) std::fclose(stream_);
    if (fd_ >= 0) ::close(fd_);
    forget();
}

void AtomicFile::forget() {
    if (!temporary_.empty() && !placed_) ::unlink(temporary_.c_str());
    namedTemporaries().release(slot_);
    slot_ = -1;
}

void AtomicFile::write(const void* data, std::size_t size) {
    if (size != 0 && std::fwrite(data, 1, size, stream_) != size) failWrite();
}

void AtomicFile::close() {
    // A pipe or a device has nothing to sync (and says EINVAL when asked).
    const bool flushed = std::fflush(stream_) == 0 && std::ferror(stream_) == 0 &&
                         (special_ || ::fsync(::fileno(stream_)) == 0);
    const int reason = errno;
    // An unnamed file stays open: its descriptor is what gets linked.
    if (flushed && unnamed_) fd_ = ::dup(::fileno(stream_));
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!flushed || !closed || (unnamed_ && fd_ < 0)) {
        throw Error("Cannot write file " + target_.string() + ": " +
                    std::strerror(flushed ? errno : reason));
    }
}

bool AtomicFile::moveTo(const fs::path& target, bool replace) {
    if (special_) {
        placed_ = true;  // it was written where it belongs
        return true;
    }
    if (unnamed_ && !replace) {
        if (!linkUnnamed(fd_, target)) {
            if (errno == EEXIST) return false;
            throw Error("Cannot write file " + target.string() + ": " + std::strerror(errno));
        }
        placed_ = true;
        return true;
    }
    if (unnamed_) {
        // Replacing takes a name first, then a rename over the target.
        for (int attempt = 0; attempt < 100 && temporary_.empty(); ++attempt) {
            const fs::path name = temporaryIn(folderOf(target));
            const int slot = namedTemporaries().hold(name);
            if (linkUnnamed(fd_, name)) {
                temporary_ = name;
                slot_ = slot;
            } else {
                namedTemporaries().release(slot);
                if (errno != EEXIST) break;
            }
        }
        if (temporary_.empty())
            throw Error("Cannot write file " + target.string() + ": " + std::strerror(errno));
    }
    if (replace) {
        if (std::rename(temporary_.c_str(), target.c_str()) != 0) {
            throw Error("Cannot write file " + target.string() + ": " + std::strerror(errno));
        }
    } else if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target.c_str(),
                           RENAME_NOREPLACE) != 0) {
        // A file system without the no-replace rename: a hard link fails on a taken name too.
        const bool linked = errno == EINVAL && ::link(temporary_.c_str(), target.c_str()) == 0;
        if (!linked) {
            if (errno == EEXIST) return false;
            throw Error("Cannot write file " + target.string() + ": " + std::strerror(errno));
        }
        ::unlink(temporary_.c_str());
    }
    placed_ = true;
    forget();
    return true;
}

void AtomicFile::commit() {
    close();
    moveTo(written_, true);
}

void AtomicFile::failWrite() {
    const int reason = errno;
    std::fclose(stream_);
    stream_ = nullptr;
    throw Error("Cannot write file " + target_.string() + ": " + std::strerror(reason));
}

}  // namespace carbonel
