#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imageio/picture_names.h"
#include "sketch/raster.h"

namespace carbonel {

// Decodes a JPEG photo at full size with the floating-point inverse DCT and the library's default
// upsampling and block smoothing, a row at a time; a printer's photo (CMYK or YCCK) is turned into
// light. A missing file fails with "Cannot open file %s: REASON", data the codec rejects (damaged
// or truncated) with "JPEG error #%d: MESSAGE" in the library's words, a picture over the size
// limit before its pixels are allocated, and a crafted file that would cost much memory or time
// (thousands of progressive scans) with "JPEG file refused: WHY". Every message names the file.
class JpegDecoder {
  public:
    // Opens the file and reads its header; the rest is read as it is decoded.
    explicit JpegDecoder(const std::string& path);
    // A file already in memory; `name`, when given, is put in front of every message.
    explicit JpegDecoder(std::vector<std::uint8_t> bytes, const std::string& name = "");
    // A stream read in order, which the decoder closes; the decoder's memory may grow with
    // `sizeHint`, the stream's size where known.
    JpegDecoder(std::FILE* stream, const std::string& name, std::size_t sizeHint);
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    int width() const;
    int height() const;
    // The Exif orientation tag to apply, 1..8: 1 without one, or for a photo read as stored.
    int orientation(PhotoReading reading) const;
    // Decodes the rows one at a time and hands each to `sink` (row y, width pixels B, G, R), which
    // must copy what it keeps. Only the decoder's own buffers are held.
    using RowSink = std::function<void(int y, const std::uint8_t* row)>;
    // With `place`, each row is decoded where place(y) says (width pixels, B, G, R) and handed
    // to the sink there.
    using RowPlace = std::function<std::uint8_t*(int y)>;
    void decodeRows(const RowSink& sink, const RowPlace& place = nullptr);

  private:
    void start(const std::string& name, std::size_t fileSize);
    [[noreturn]] void fail() const;

    struct State;
    std::unique_ptr<State> state_;
};

// Who computes a JPEG's coefficients: the same bytes either way.
enum class JpegCoding {
    Fastest,          // our own where they agree with the library's on this machine
    Library,          // libjpeg does everything
    OwnCoefficients,  // ours, with libjpeg's Huffman coding (for checking them)
};

// Writes a picture as a baseline JFIF file, row by row as the rows come, top to bottom: default
// settings but the floating-point forward DCT, the quality asked for (1..100) with the tables
// forced to baseline range. Fails with "JPEG error #%d: MESSAGE".
class JpegRowEncoder {
  public:
    // `threads` 1 keeps the work on one core at a time (0: every core).
    JpegRowEncoder(std::FILE* out, int width, int height, int quality = kJpegQuality.start,
                   JpegCoding coding = JpegCoding::Fastest, int threads = 0);
    ~JpegRowEncoder();
    JpegRowEncoder(const JpegRowEncoder&) = delete;
    JpegRowEncoder& operator=(const JpegRowEncoder&) = delete;

    void writeRow(const std::uint8_t* row);
    // A grey row, one byte a pixel: as writeRow of B = G = R.
    void writeGreyRow(const std::uint8_t* grey);
    // After the last row.
    void finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace carbonel
