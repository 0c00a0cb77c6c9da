#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "sketch/start_values.h"

namespace carbonel {

// Writes a picture as an 8-bit RGB PNG, lossless, row by row as the rows come (B, G, R each), top
// to bottom. Every row takes the Sub filter, which suits sketches best, and bands of rows are
// compressed at zlib's `level` on `threads` threads (0: every core) into one standard stream.
// Fails with "PNG error: MESSAGE", or the system's reason when a write fails.
class PngRowWriter {
  public:
    PngRowWriter(std::FILE* out, int width, int height, int level = kPngLevel.start,
                 int threads = 0);
    ~PngRowWriter();
    PngRowWriter(const PngRowWriter&) = delete;
    PngRowWriter& operator=(const PngRowWriter&) = delete;

    void writeRow(const std::uint8_t* row);
    // After the last row.
    void finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace carbonel
