#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sketch/raster.h"

namespace carbonel {

// Reads a Windows BMP file (see decodeBmp) and makes it 24-bit. A missing file fails with "Cannot
// open file %s: REASON", a damaged one with "Bitmap image is not valid: WHY", a picture over the
// size limit before its pixels are allocated.
Raster readBmp(const std::string& path);

// Writes an uncompressed 24-bit BMP, rows bottom-up.
void writeBmp(const Raster& picture, std::FILE* out);

// The device-independent bitmap of a picture as BMP files and metafiles hold it: a 40-byte
// header followed by 24-bit rows, bottom-up, each padded to four bytes.
std::size_t dibRowBytes(int width);
void appendDibHeader(std::string& out, int width, int height);
void writeDibRows(const Raster& picture, std::FILE* out);

// The BMP file's headers for a 24-bit picture; the rows follow at once.
std::string bmpHeader(int width, int height);

// Writes the rows of a bottom-up 24-bit bitmap whose size is known, at their final places from
// `rowsStart`, as they come top to bottom.
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

}  // namespace carbonel
