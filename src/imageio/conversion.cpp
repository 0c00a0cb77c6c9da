#include "imageio/conversion.h"

#include <cstring>
#include <memory>
#include <stdexcept>

#include "imageio/file_bytes.h"
#include "imageio/paper_reader.h"
#include "imageio/row_handoff.h"
#include "imageio/sketch_writer.h"
#include "sketch/error.h"
#include "sketch/row_sketcher.h"

namespace carbonel {

void convertRows(PhotoReader& reader, const ConversionOptions& options, OutputFormat format,
                 std::FILE* out, const std::string& outputName, const FileOptions& files,
                 ConversionCopies* copies) {
    if (!usesFastPath(options))
        throw std::logic_error("a conversion sketches with Pen, Pencil or Pastel");
    const int photoWidth = reader.width(), photoHeight = reader.height();
    checkPhotoSize(photoWidth, photoHeight);
    // The paper is never traced: SVG and PDF lines lie on an empty page.
    if (!files.paper.empty() && !options.texture && !isVectorFormat(format)) {
        Raster paper;
        try {
            paper = readPaperFile(files.paper, options.textureFit, photoWidth + 1, photoHeight + 1);
        } catch (const Error& error) {
            throw Error(std::string("texture ") + error.what());
        }
        ConversionOptions withPaper = options;
        withPaper.texture = &paper;
        FileOptions paperRead = files;
        paperRead.paper.clear();
        convertRows(reader, withPaper, format, out, outputName, paperRead, copies);
        return;
    }
    auto writing = [&](const auto& step) {
        try {
            step();
        } catch (const Error& error) {
            throw Error(aboutFile(outputName, error.what()));
        }
    };
    const SketchFrame frame{photoWidth + 1,    photoHeight + 1, photoWidth,     photoHeight,
                            files.jpegQuality, files.trace,     files.pngLevel, options.threads};
    std::unique_ptr<SketchWriter> writer;
    writing([&] { writer = openSketchWriter(format, out, frame); });
    if (copies) {
        copies->photo = Raster::uninitialized(photoWidth, photoHeight);
        copies->sketch = Raster::uninitialized(frame.width, frame.height);
    }
    // A grey sketch goes to a writer that takes grey rows as one byte a pixel, unless the
    // caller keeps a copy of it.
    const bool grey = !copies && writer->takesGreyRows() && RowSketcher::drawsGrey(options);
    auto handOn = [&](int y, const std::uint8_t* row) {
        if (copies)
            std::memcpy(copies->sketch.mutableRowUnchecked(y), row, std::size_t(frame.width) * 3);
        writing([&] { grey ? writer->writeGreyRow(y, row) : writer->writeRow(y, row); });
    };
    RowSketcher sketcher(photoWidth, photoHeight, options, handOn,
                         grey ? RowSketcher::RowShape::Grey : RowSketcher::RowShape::Bgr);
    auto sketch = [&](int y, const std::uint8_t* row) {
        if (copies)
            std::memcpy(copies->photo.mutableRowUnchecked(y), row, std::size_t(photoWidth) * 3);
        sketcher.addPhotoRow(row);
    };
    if (conversionThreads(options.threads) > 1) {
        RowHandoff handoff(photoWidth, photoHeight);
        handoff.run([&](const RowHandoff::RowPlace& place,
                        const RowHandoff::RowSink& sink) { reader.readRowsInto(place, sink); },
                    sketch);
    } else {
        reader.readRows(sketch);
    }
    sketcher.finish();
    writing([&] { writer->finish(); });
}

void convertPhotoFile(const std::string& photoPath, AtomicFile& file, OutputFormat format,
                      const ConversionOptions& options, const FileOptions& files,
                      ConversionCopies* copies) {
    const std::unique_ptr<PhotoReader> reader = openPhotoFile(photoPath, files.reading);
    convertRows(*reader, options, format, file.stream(), file.target().string(), files, copies);
}

}  // namespace carbonel
