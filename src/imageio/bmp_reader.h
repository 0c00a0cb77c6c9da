#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imageio/photo_reader.h"

namespace carbonel {

// Reads a Windows BMP file a row at a time, top to bottom: 1, 4 and 8 bits with a colour table
// (uncompressed or run-length coded), 16 and 32 bits with or without bit fields, 24 bits; rows
// bottom-up or top-down. Only the headers and one row are held (and a run-length coded file, whose
// rows cannot be found without the ones before them, in memory, with where each row starts). A file
// shorter than its header promises is refused before the first row, so no pixel ever comes from
// anywhere but the file. Fails with "Bitmap image is not valid: WHY", naming the file.
class BmpRowReader : public PhotoReader {
  public:
    explicit BmpRowReader(const std::string& path);
    // A file held in memory; `name`, when given, is put in front of every message.
    BmpRowReader(std::vector<std::uint8_t> bytes, const std::string& name);
    ~BmpRowReader() override;
    BmpRowReader(const BmpRowReader&) = delete;
    BmpRowReader& operator=(const BmpRowReader&) = delete;

    int width() const override;
    int height() const override;
    void readRows(const RowSink& sink) override;

  private:
    void readHeaders();
    bool runLengthCoded() const;

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace carbonel
