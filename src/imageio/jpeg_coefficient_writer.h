#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

namespace carbonel {

// Writes exactly the JPEG file that the program's libjpeg settings make from the same rows, but
// computes the quantised coefficients itself and leaves libjpeg only the Huffman coding, on a
// thread of its own that follows a few block rows behind. Blocks of one value (most of a
// sketch's paper) need no transform, and a strip of grey rows no colour conversion and no chroma
// transform. The coefficients are those of libjpeg-turbo's x86-64 vector code; JpegRowEncoder
// checks that the library here agrees before it uses this writer.
class JpegCoefficientWriter {
  public:
    // `oneCore`: the coder works only while the rows' maker waits, so the two never run at once.
    JpegCoefficientWriter(std::FILE* out, int width, int height, int quality, bool oneCore = false);
    ~JpegCoefficientWriter();  // an unfinished file is abandoned
    JpegCoefficientWriter(const JpegCoefficientWriter&) = delete;
    JpegCoefficientWriter& operator=(const JpegCoefficientWriter&) = delete;

    // Row y of width B, G, R pixels; rows come in order from 0. Fails with the coder's error
    // ("JPEG error #%d: MESSAGE") once it has one.
    void writeRow(const std::uint8_t* row);
    // A grey row, one byte a pixel.
    void writeGreyRow(const std::uint8_t* grey);
    // After the last row: the rest of the file is written before it returns.
    void finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace carbonel
