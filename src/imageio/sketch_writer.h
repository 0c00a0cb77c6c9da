#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "imageio/picture_names.h"
#include "sketch/raster.h"

namespace carbonel {

// A sketch file being written a row at a time, top to bottom.
class SketchWriter {
  public:
    virtual ~SketchWriter() = default;
    // Row y (width pixels, B, G, R); rows come in order from 0.
    virtual void writeRow(int y, const std::uint8_t* row) = 0;
    // Whether rows of a grey sketch may come as one byte a pixel, through writeGreyRow.
    virtual bool takesGreyRows() const { return false; }
    virtual void writeGreyRow(int y, const std::uint8_t* grey);
    // After the last row.
    virtual void finish() = 0;
};

// How the lines of an SVG or PDF file are traced.
using TraceSettings = TraceOptions;

// What a sketch file holds beside its rows.
struct SketchFrame {
    int width, height;            // the sketch's size
    int photoWidth, photoHeight;  // the metafiles' frame
    int jpegQuality = kJpegQuality.start;
    TraceSettings trace{};
    int pngLevel = kPngLevel.start;
    int threads = 0;  // for PNG's compression and JPEG's coding: 0 every core
};

// Whether a format is written out of order (BMP and metafile rows lie bottom-up, at their places):
// its output must be able to seek.
bool writtenOutOfOrder(OutputFormat format);

// Refuses (naming it) a target that takes bytes in order only (a named pipe) for a format written
// out of order, before it is opened.
void checkSketchTarget(const std::string& path, OutputFormat format);

// A writer of the format into `out`, which stays the caller's. JPEG, PNG, SVG and PDF are written
// in order, so `out` may be a pipe; the others seek. Failures carry the codec's or the system's
// reason; the caller names the file.
std::unique_ptr<SketchWriter> openSketchWriter(OutputFormat format, std::FILE* out,
                                               const SketchFrame& frame);

// Writes every row of the picture.
void writeAllRows(const Raster& picture, SketchWriter& writer);

// Writes a sketch in the format under exactly `path`; the file appears only once it is complete,
// and an existing file is untouched on failure. An empty sketch fails with "There is no sketch to
// save." and writes nothing. Failures name the file.
void writeSketchFile(const Raster& sketch, const std::string& path, OutputFormat format,
                     int photoWidth, int photoHeight, int jpegQuality = kJpegQuality.start,
                     const TraceSettings& trace = {}, int pngLevel = kPngLevel.start,
                     int threads = 0);

// Save: writes the sketch under saveNameFor(path, format) in the format that name asks for (the
// chosen one; a metafile's kind by its extension), and returns that name.
std::string saveSketch(const Raster& sketch, const std::string& path, OutputFormat format,
                       int photoWidth, int photoHeight, const TraceSettings& trace = {});

}  // namespace carbonel
