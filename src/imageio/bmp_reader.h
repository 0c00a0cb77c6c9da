#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sketch/raster.h"

namespace carbonel {

// Decodes a Windows BMP file held in memory as a 24-bit raster: 1, 4 and 8 bits with a colour
// table (uncompressed or run-length coded), 16 and 32 bits with or without bit fields, 24 bits;
// rows bottom-up or top-down. A file shorter than its header promises is refused whole, so no
// pixel ever comes from anywhere but the file. Fails with "Bitmap image is not valid: WHY".
Raster decodeBmp(const std::uint8_t* data, std::size_t size);

// The same file read a row at a time, top to bottom, for a conversion that streams: only the
// headers and one row are held (a run-length coded file, whose rows cannot be found without the
// ones before them, is decoded whole). Fails as decodeBmp does, naming the file, and refuses a
// file shorter than its header promises before the first row.
class BmpRowReader {
  public:
    using RowSink = std::function<void(int y, const std::uint8_t* row)>;

    explicit BmpRowReader(const std::string& path);
    ~BmpRowReader();
    BmpRowReader(const BmpRowReader&) = delete;
    BmpRowReader& operator=(const BmpRowReader&) = delete;

    int width() const;
    int height() const;
    // Hands each row (width pixels, B, G, R) to `sink`, which must copy what it keeps.
    void decodeRows(const RowSink& sink);

  private:
    bool streams() const;

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace carbonel
