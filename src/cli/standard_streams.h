#pragma once

#include <memory>
#include <string>

namespace carbonel::cli {

// A file of our own in the temporary folder, removed when done: standard input copied to disk for
// the readers, or a sketch written before it is copied to standard output (BMP and metafiles are
// written out of order, which a pipe cannot take).
class TemporaryFile {
  public:
    // An empty file whose name ends in `extension` (".jpg"); fails with the system's reason.
    explicit TemporaryFile(const std::string& extension);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Standard input, whole, in a temporary file named for its kind (told by its first bytes); fails
// with "standard input: Unknown picture format" for anything else.
std::unique_ptr<TemporaryFile> standardInputAsFile();

// Copies a file to standard output; fails with the system's reason.
void copyToStandardOutput(const std::string& path);

// Refuses (carbonel::Error, naming OUTPUT) to write a sketch over the photo itself: the same file
// by device and inode, whatever the names say.
void refuseSameFile(const std::string& photo, const std::string& output);

}  // namespace carbonel::cli
