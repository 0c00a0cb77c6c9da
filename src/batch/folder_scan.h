#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

namespace carbonel {

// The batch's work list: file paths in the order they were added, each text at most once. An
// index beside the list keeps the membership test fast for long lists.
class PathList {
  public:
    const std::vector<std::string>& entries() const { return entries_; }
    std::size_t size() const { return entries_.size(); }
    const std::string& operator[](std::size_t i) const { return entries_[i]; }

    bool contains(const std::string& text) const { return index_.count(text) != 0; }
    // Appends the text unless the list holds it already; true when it was appended.
    bool add(const std::string& text);
    void removeAt(std::size_t i);
    void clear();

  private:
    std::vector<std::string> entries_;
    std::unordered_set<std::string> index_;
};

// Whether the list holds exactly this text (case-sensitive, no path normalisation).
bool HaveStr(const std::string& text, const PathList& list);

// Appends the picture files of `folder` and, depth first, of its sub-folders: every regular file
// (or link to one) whose
// name has a photo's extension in any case (".jpg", ".jpeg", ".bmp", ".png", ".tif", ".tiff",
// ".webp", ".gif", ".heic", ".heif", ".avif"), as folder + "/" + name, the name as it is on disk.
// Entries come sorted by lower-cased name and then exact name; symbolic links and names starting
// with "." are never descended into; texts the list holds already are not added again. A missing
// or unreadable folder adds nothing and reports nothing.
void findall(const std::string& folder, PathList& list);

// A folder the scan could not read, or a file with a photo's name that it left out because it is
// not a regular file (a named pipe would keep the batch waiting for ever), and why.
struct ScanFailure {
    std::string path;
    std::string reason;
    bool skippedFile = false;
};

// What a file that is not a regular file is ("a named pipe", "a device", "a socket"), or "" for a
// regular file or a link to one; symbolic links are followed.
std::string specialFileKind(const std::string& path);

// findall, telling every folder (the given one or a sub-folder) that could not be read and every
// file skipped.
void findall(const std::string& folder, PathList& list, std::vector<ScanFailure>& failures);

}  // namespace carbonel
