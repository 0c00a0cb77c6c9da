#include "imageio/bmp_codec.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "imageio/byte_writer.h"
#include "sketch/error.h"

namespace carbonel {

std::size_t dibRowBytes(int width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
}

void appendDibHeader(std::string& out, int width, int height) {
    const std::size_t imageBytes = dibRowBytes(width) * static_cast<std::size_t>(height);
    putU32(out, 40);  // header size
    putU32(out, static_cast<std::uint32_t>(width));
    putU32(out, static_cast<std::uint32_t>(height));  // positive: rows bottom-up
    putU16(out, 1);                                   // planes
    putU16(out, 24);                                  // bits per pixel
    putU32(out, 0);                                   // no compression
    putU32(out, static_cast<std::uint32_t>(imageBytes));
    putU32(out, 3780);  // 96 dots per inch, in dots per metre
    putU32(out, 3780);
    putU32(out, 0);  // colours used
    putU32(out, 0);  // important colours
}

std::string bmpHeader(int width, int height) {
    const std::size_t imageBytes = dibRowBytes(width) * static_cast<std::size_t>(height);
    std::string header;
    header += "BM";
    putU32(header, static_cast<std::uint32_t>(14 + 40 + imageBytes));
    putU32(header, 0);        // reserved
    putU32(header, 14 + 40);  // offset of the pixels
    appendDibHeader(header, width, height);
    return header;
}

DibRowWriter::DibRowWriter(std::FILE* out, long rowsStart, int width, int height)
    : out_(out),
      rowsStart_(rowsStart),
      width_(width),
      height_(height),
      row_(dibRowBytes(width), 0) {}

void DibRowWriter::writeRow(int y, const std::uint8_t* row) {
    std::memcpy(row_.data(), row, static_cast<std::size_t>(width_) * 3);
    const long at = rowsStart_ + static_cast<long>(row_.size()) * (height_ - 1 - y);
    seekOutput(out_, at);
    // A failed write sets the stream's error flag, which the file's commit reports; a failed seek
    // sets none, so it fails here.
    std::fwrite(row_.data(), 1, row_.size(), out_);
}

void failedOutput(const char* what) {
    throw Error(std::string("Cannot ") + what + " the file: " + std::strerror(errno));
}

void seekOutput(std::FILE* out, long offset) {
    if (std::fseek(out, offset, SEEK_SET) != 0) failedOutput("seek in");
}

}  // namespace carbonel
