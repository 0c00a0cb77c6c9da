#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imageio/picture_names.h"
#include "imageio/row_progress.h"
#include "sketch/raster.h"

namespace carbonel {

// Decodes a JPEG file at full size with the floating-point inverse DCT and the library's default
// upsampling and block smoothing; a printer's photo (CMYK or YCCK) is turned into light. A missing
// file fails with "Cannot open file %s: REASON", data the codec rejects (damaged or truncated) with
// "JPEG error #%d: MESSAGE" in the library's words, a picture over the size limit before its
// pixels are allocated, and a crafted file that would cost much memory or time (thousands of
// progressive scans) with "JPEG file refused: WHY".
Raster readJpeg(const std::string& path);
// The same for a file already in memory.
Raster decodeJpeg(std::vector<std::uint8_t> bytes);

// The same decoding in two steps, so that rows can be used while later rows are still decoding.
class JpegDecoder {
  public:
    // Reads the file and its header; fails as readJpeg does, naming the file.
    explicit JpegDecoder(const std::string& path);
    // A file already in memory; `name`, when given, is put in front of every message.
    explicit JpegDecoder(std::vector<std::uint8_t> bytes, const std::string& name = "");
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    int width() const;
    int height() const;
    // The Exif orientation tag to apply, 1..8: 1 without one, or for a photo read as stored.
    int orientation(PhotoReading reading) const;
    // Decodes every row into `picture` (width x height, not shared), publishing the rows finished
    // after each batch in `progress`.
    void decodeInto(Raster& picture, RowProgress* progress = nullptr);

    // Decodes the rows one at a time and hands each to `sink` (row y, width pixels B, G, R), which
    // must copy what it keeps. Only the decoder's own buffers are held.
    using RowSink = std::function<void(int y, const std::uint8_t* row)>;
    void decodeRows(const RowSink& sink);

  private:
    void start(const std::string& name, std::size_t fileSize);
    [[noreturn]] void fail() const;

    struct State;
    std::unique_ptr<State> state_;
};

// A JPEG photo decoded whole and, unless read as stored, turned upright by its Exif orientation.
Raster readJpegPhoto(JpegDecoder& decoder, PhotoReading reading);

// Writes the raster as a baseline JFIF file: default settings but the floating-point forward DCT,
// quality 20 (or the one asked for, 1..100) with the tables forced to baseline range. Fails with
// "JPEG error #%d: MESSAGE".
void writeJpeg(const Raster& picture, std::FILE* out, int quality = kSketchJpegQuality);

// The same JPEG as writeJpeg, written row by row as the rows come, top to bottom.
class JpegRowEncoder {
  public:
    JpegRowEncoder(std::FILE* out, int width, int height, int quality = kSketchJpegQuality);
    ~JpegRowEncoder();
    JpegRowEncoder(const JpegRowEncoder&) = delete;
    JpegRowEncoder& operator=(const JpegRowEncoder&) = delete;

    void writeRow(const std::uint8_t* row);
    // After the last row.
    void finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace carbonel
