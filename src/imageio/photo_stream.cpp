#include "imageio/photo_stream.h"

#include <optional>

#include "imageio/bmp_codec.h"
#include "imageio/bmp_reader.h"
#include "imageio/jpeg_codec.h"
#include "imageio/metafile.h"
#include "imageio/picture_files.h"
#include "imageio/png_writer.h"
#include "imageio/row_handoff.h"
#include "sketch/error.h"
#include "sketch/row_sketcher.h"

namespace carbonel {

bool streamsConversion(const std::string& photoPath, const ConversionOptions& options) {
    return usesFastPath(options) && isPhotoName(photoPath);
}

namespace {

// A photo file's rows, one at a time, from whichever reader its kind takes.
template <typename Reader>
void streamRows(Reader& reader, AtomicFile& file, SaveType type, MetafileKind metafile,
                const ConversionOptions& options, int jpegQuality);

// The rows of a photo already decoded whole.
class RasterRowReader {
  public:
    explicit RasterRowReader(Raster photo) : photo_(std::move(photo)) {}
    int width() const { return photo_.width(); }
    int height() const { return photo_.height(); }
    template <typename Sink>
    void decodeRows(const Sink& sink) {
        for (int y = 0; y < photo_.height(); ++y) sink(y, photo_.rowUnchecked(y));
    }

  private:
    Raster photo_;
};

}  // namespace

void streamPhotoInto(const std::string& photoPath, AtomicFile& file, SaveType type,
                     MetafileKind metafile, const ConversionOptions& options,
                     const FileOptions& files) {
    const PhotoReading reading = files.reading;
    const PhotoKind kind = photoKindFor(photoPath);
    if (kind == PhotoKind::Jpeg) {
        JpegDecoder decoder(photoPath);
        if (decoder.orientation(reading) == 1) {
            streamRows(decoder, file, type, metafile, options, files.jpegQuality);
        } else {
            RasterRowReader upright(readJpegPhoto(decoder, reading));
            streamRows(upright, file, type, metafile, options, files.jpegQuality);
        }
    } else if (kind == PhotoKind::Bmp) {
        BmpRowReader reader(photoPath);
        streamRows(reader, file, type, metafile, options, files.jpegQuality);
    } else {
        RasterRowReader reader(loadPicture(photoPath, reading));
        streamRows(reader, file, type, metafile, options, files.jpegQuality);
    }
}

namespace {

template <typename Reader>
void streamRows(Reader& decoder, AtomicFile& file, SaveType type, MetafileKind metafile,
                const ConversionOptions& options, int jpegQuality) {
    checkPhotoSize(decoder.width(), decoder.height());
    const int width = decoder.width() + 1, height = decoder.height() + 1;
    const std::string output = file.target().string();
    auto writing = [&](const auto& step) {
        try {
            step();
        } catch (const Error& error) {
            throw Error(aboutFile(output, error.what()));
        }
    };
    std::optional<JpegRowEncoder> jpeg;
    std::optional<PngRowWriter> png;
    std::optional<DibRowWriter> bitmap;
    // A bitmap (alone or in a metafile) between what comes before and after its bottom-up rows.
    MetafileParts around;
    if (type == SaveType::Jpeg) {
        writing([&] { jpeg.emplace(file.stream(), width, height, jpegQuality); });
    } else if (type == SaveType::Png) {
        writing([&] { png.emplace(file.stream(), width, height); });
    } else {
        around = type == SaveType::Bmp
                     ? MetafileParts{bmpHeader(width, height), ""}
                     : metafileParts(metafile, width, height, decoder.width(), decoder.height());
        file.write(around.head.data(), around.head.size());
        bitmap.emplace(file.stream(), static_cast<long>(around.head.size()), width, height);
    }
    RowSketcher sketcher(decoder.width(), decoder.height(), options,
                         [&](int y, const std::uint8_t* row) {
                             if (jpeg) {
                                 writing([&] { jpeg->writeRow(row); });
                             } else if (png) {
                                 writing([&] { png->writeRow(row); });
                             } else {
                                 bitmap->writeRow(y, row);
                             }
                         });
    auto sketch = [&](int, const std::uint8_t* row) { sketcher.addPhotoRow(row); };
    if (conversionThreads(options.threads) > 1) {
        // One core decodes while the other sketches and encodes the rows already decoded.
        RowHandoff handoff(decoder.width(), decoder.height());
        handoff.run([&](const RowHandoff::RowSink& sink) { decoder.decodeRows(sink); }, sketch);
    } else {
        decoder.decodeRows(sketch);
    }
    sketcher.finish();
    if (jpeg) writing([&] { jpeg->finish(); });
    if (png) writing([&] { png->finish(); });
    if (!around.tail.empty()) {
        // After the rows, which were written from the last place in the file to the first.
        const long end = static_cast<long>(around.head.size() +
                                           dibRowBytes(width) * static_cast<std::size_t>(height));
        if (std::fseek(file.stream(), end, SEEK_SET) == 0)
            file.write(around.tail.data(), around.tail.size());
    }
}

}  // namespace

}  // namespace carbonel
