#include "imageio/sketch_writer.h"

#include <optional>
#include <stdexcept>

#include "imageio/atomic_file.h"
#include "imageio/bmp_codec.h"
#include "imageio/file_bytes.h"
#include "imageio/jpeg_codec.h"
#include "imageio/metafile.h"
#include "imageio/output_formats.h"
#include "imageio/png_writer.h"
#include "imageio/traced_writer.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

class JpegWriter : public SketchWriter {
  public:
    JpegWriter(std::FILE* out, const SketchFrame& frame)
        : encoder_(out, frame.width, frame.height, frame.jpegQuality, JpegCoding::Fastest,
                   frame.threads) {}
    void writeRow(int, const std::uint8_t* row) override { encoder_.writeRow(row); }
    bool takesGreyRows() const override { return true; }
    void writeGreyRow(int, const std::uint8_t* grey) override { encoder_.writeGreyRow(grey); }
    void finish() override { encoder_.finish(); }

  private:
    JpegRowEncoder encoder_;
};

class PngWriter : public SketchWriter {
  public:
    PngWriter(std::FILE* out, const SketchFrame& frame)
        : png_(out, frame.width, frame.height, frame.pngLevel, frame.threads) {}
    void writeRow(int, const std::uint8_t* row) override { png_.writeRow(row); }
    void finish() override { png_.finish(); }

  private:
    PngRowWriter png_;
};

// A bottom-up bitmap, alone (BMP) or inside a metafile, between what comes before and after its
// rows; each row is written at its place as it comes.
class BitmapWriter : public SketchWriter {
  public:
    BitmapWriter(std::FILE* out, const SketchFrame& frame, MetafileParts around)
        : out_(out),
          around_(std::move(around)),
          rowsEnd_(static_cast<long>(around_.head.size() +
                                     dibRowBytes(frame.width) * std::size_t(frame.height))),
          rows_(out, static_cast<long>(around_.head.size()), frame.width, frame.height) {
        std::fwrite(around_.head.data(), 1, around_.head.size(), out_);
    }
    void writeRow(int y, const std::uint8_t* row) override { rows_.writeRow(y, row); }
    void finish() override {
        if (around_.tail.empty()) return;
        // After the rows, which were written from the last place in the file to the first.
        seekOutput(out_, rowsEnd_);
        std::fwrite(around_.tail.data(), 1, around_.tail.size(), out_);
    }

  private:
    std::FILE* out_;
    MetafileParts around_;
    long rowsEnd_;
    DibRowWriter rows_;
};

}  // namespace

void SketchWriter::writeGreyRow(int, const std::uint8_t*) {
    throw std::logic_error("this writer takes B, G, R rows only");
}

namespace {

std::string outOfOrderOutput(OutputFormat format) {
    return std::string(outputExtension(format) + 1) + " output";
}

}  // namespace

void checkSketchTarget(const std::string& path, OutputFormat format) {
    if (writtenOutOfOrder(format))
        refusePipeTarget(path, aboutFile(path, outOfOrderOutput(format)));
}

bool writtenOutOfOrder(OutputFormat format) {
    return outputFormatRow(format).seeks;
}

std::unique_ptr<SketchWriter> openJpegWriter(std::FILE* out, const SketchFrame& frame) {
    return std::make_unique<JpegWriter>(out, frame);
}

std::unique_ptr<SketchWriter> openPngWriter(std::FILE* out, const SketchFrame& frame) {
    return std::make_unique<PngWriter>(out, frame);
}

std::unique_ptr<SketchWriter> openBmpWriter(std::FILE* out, const SketchFrame& frame) {
    return std::make_unique<BitmapWriter>(out, frame,
                                          MetafileParts{bmpHeader(frame.width, frame.height), ""});
}

std::unique_ptr<SketchWriter> openWmfWriter(std::FILE* out, const SketchFrame& frame) {
    return std::make_unique<BitmapWriter>(
        out, frame,
        metafileParts(OutputFormat::Wmf, frame.width, frame.height, frame.photoWidth,
                      frame.photoHeight));
}

std::unique_ptr<SketchWriter> openEmfWriter(std::FILE* out, const SketchFrame& frame) {
    return std::make_unique<BitmapWriter>(
        out, frame,
        metafileParts(OutputFormat::Emf, frame.width, frame.height, frame.photoWidth,
                      frame.photoHeight));
}

std::unique_ptr<SketchWriter> openSketchWriter(OutputFormat format, std::FILE* out,
                                               const SketchFrame& frame) {
    // A named pipe or a socket takes bytes in order only; refused before anything goes into it.
    if (writtenOutOfOrder(format)) refuseUnlessSeekable(out, outOfOrderOutput(format));
    return outputFormatRow(format).open(out, frame);
}

void writeAllRows(const Raster& picture, SketchWriter& writer) {
    for (int y = 0; y < picture.height(); ++y) writer.writeRow(y, picture.rowUnchecked(y));
    writer.finish();
}

void writeSketchFile(const Raster& sketch, const std::string& path, OutputFormat format,
                     int photoWidth, int photoHeight, int jpegQuality, const TraceSettings& trace,
                     int pngLevel, int threads) {
    if (sketch.isEmpty()) throw Error("There is no sketch to save.");
    checkSketchTarget(path, format);
    AtomicFile file(path);
    try {
        const SketchFrame frame{sketch.width(), sketch.height(), photoWidth, photoHeight,
                                jpegQuality,    trace,           pngLevel,   threads};
        writeAllRows(sketch, *openSketchWriter(format, file.stream(), frame));
    } catch (const Error& error) {
        throw Error(aboutFile(path, error.what()));
    }
    file.commit();
}

std::string saveSketch(const Raster& sketch, const std::string& path, OutputFormat format,
                       int photoWidth, int photoHeight, const TraceSettings& trace) {
    const std::string name = saveNameFor(path, format);
    writeSketchFile(sketch, name, outputFormatFor(name), photoWidth, photoHeight,
                    kJpegQuality.start, trace);
    return name;
}

}  // namespace carbonel
