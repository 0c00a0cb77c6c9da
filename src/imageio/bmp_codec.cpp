#include "imageio/bmp_codec.h"

#include <cstring>
#include <vector>

#include "imageio/bmp_reader.h"
#include "imageio/byte_writer.h"
#include "imageio/file_bytes.h"
#include "sketch/error.h"

namespace carbonel {

Raster readBmp(const std::string& path) {
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    return decodeBmp(bytes.data(), bytes.size());
}

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

void writeDibRows(const Raster& picture, std::FILE* out) {
    const std::size_t rowBytes = dibRowBytes(picture.width());
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int y = picture.height() - 1; y >= 0; --y) {
        std::memcpy(row.data(), picture.rowUnchecked(y),
                    static_cast<std::size_t>(picture.width()) * 3);
        std::fwrite(row.data(), 1, rowBytes,
                    out);  // a failed write is caught when the file is committed
    }
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

void writeBmp(const Raster& picture, std::FILE* out) {
    const std::string header = bmpHeader(picture.width(), picture.height());
    std::fwrite(header.data(), 1, header.size(), out);
    writeDibRows(picture, out);
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
    // A failed seek or write is caught when the file is committed.
    if (std::fseek(out_, at, SEEK_SET) == 0) std::fwrite(row_.data(), 1, row_.size(), out_);
}

}  // namespace carbonel
