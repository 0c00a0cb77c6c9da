#pragma once

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

#include "sketch/raster.h"

namespace carbonel {

// Decodes a JPEG file at full size with the floating-point inverse DCT and the library's default
// upsampling and block smoothing. A missing file fails with "Cannot open file %s", data the codec
// rejects (damaged or truncated) with "JPEG error #%d", a picture over the size limit before its
// pixels are allocated.
Raster readJpeg(const std::string& path);

// The same decoding in two steps, so that rows can be used while later rows are still decoding.
class JpegDecoder {
  public:
    // Reads the file and its header; fails as readJpeg does.
    explicit JpegDecoder(const std::string& path);
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    int width() const;
    int height() const;
    // Decodes every row into `picture` (width x height, not shared). After each batch of rows the
    // number of rows finished is stored in `rowsDone` (release order) and waiters are woken.
    void decodeInto(Raster& picture, std::atomic<int>* rowsDone = nullptr);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Writes the raster as a baseline JFIF file: default settings but the floating-point forward DCT,
// quality 20 with the tables forced to baseline range. Fails with "JPEG error #%d".
void writeJpeg(const Raster& picture, std::FILE* out);

}  // namespace carbonel
