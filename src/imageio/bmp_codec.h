#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace carbonel {

// The device-independent bitmap of a picture as BMP files and metafiles hold it: a 40-byte
// header followed by 24-bit rows, bottom-up, each padded to four bytes.
std::size_t dibRowBytes(int width);
void appendDibHeader(std::string& out, int width, int height);

// The BMP file's headers for a 24-bit picture; the rows follow at once.
std::string bmpHeader(int width, int height);

// Writes the rows of a bottom-up 24-bit bitmap whose size is known, at their final places from
// `rowsStart`, as they come top to bottom. A failed seek fails at once ("Cannot seek in the file:
// REASON"); a failed write is reported when the file is closed.
class DibRowWriter {
  public:
    DibRowWriter(std::FILE* out, long rowsStart, int width, int height);
    void writeRow(int y, const std::uint8_t* row);

  private:
    std::FILE* out_;
    long rowsStart_;
    int width_, height_;
    std::vector<std::uint8_t> row_;  // one padded row
};

// Moves a file being written to `offset`, or fails as above.
void seekOutput(std::FILE* out, long offset);
// Fails with "Cannot WHAT the file: REASON" after a failed call that set errno.
[[noreturn]] void failedOutput(const char* what);

}  // namespace carbonel
