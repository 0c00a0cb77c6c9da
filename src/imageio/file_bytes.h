#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace carbonel {

// Fails, saying why, when `out` cannot seek (a named pipe, a socket) and what is written there,
// `what` ("bmp output"), goes back to its earlier bytes: refused before a byte is written.
void refuseUnlessSeekable(std::FILE* out, const std::string& what);
// The same for the file `path` names, before it is opened (a named pipe's open waits for its
// reader).
void refusePipeTarget(const std::string& path, const std::string& what);

// The message of a failure about one file: it names the file, unless it does already.
inline std::string aboutFile(const std::string& path, const std::string& message) {
    if (path.empty() || message.find(path) != std::string::npos) return message;
    return path + ": " + message;
}

// Opens a file to read and tells its size; fails with "Cannot open file PATH: REASON". The caller
// closes it.
std::FILE* openForReading(const std::string& path, std::uint64_t& size);

// The whole contents of a file; fails with "Cannot open file PATH: REASON".
std::vector<std::uint8_t> readFileBytes(const std::string& path);

}  // namespace carbonel
