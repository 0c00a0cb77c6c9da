#include "imageio/photo_stream.h"

#include <optional>

#include "imageio/bmp_codec.h"
#include "imageio/bmp_reader.h"
#include "imageio/jpeg_codec.h"
#include "sketch/error.h"
#include "sketch/row_sketcher.h"

namespace carbonel {

bool streamsConversion(const std::string& photoPath, SaveType type,
                       const ConversionOptions& options) {
    return usesFastPath(options) && (type == SaveType::Jpeg || type == SaveType::Bmp) &&
           (photoKindFor(photoPath) == PhotoKind::Jpeg ||
            photoKindFor(photoPath) == PhotoKind::Bmp);
}

namespace {

// A photo file's rows, one at a time, from whichever reader its kind takes.
template <typename Reader>
void streamRows(Reader& reader, AtomicFile& file, SaveType type, const ConversionOptions& options);

}  // namespace

void streamPhotoInto(const std::string& photoPath, AtomicFile& file, SaveType type,
                     const ConversionOptions& options) {
    if (photoKindFor(photoPath) == PhotoKind::Jpeg) {
        JpegDecoder decoder(photoPath);
        streamRows(decoder, file, type, options);
    } else {
        BmpRowReader reader(photoPath);
        streamRows(reader, file, type, options);
    }
}

namespace {

template <typename Reader>
void streamRows(Reader& decoder, AtomicFile& file, SaveType type,
                const ConversionOptions& options) {
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
    std::optional<DibRowWriter> bitmap;
    if (type == SaveType::Jpeg) {
        writing([&] { jpeg.emplace(file.stream(), width, height); });
    } else {
        const std::string header = bmpHeader(width, height);
        file.write(header.data(), header.size());
        bitmap.emplace(file.stream(), static_cast<long>(header.size()), width, height);
    }
    RowSketcher sketcher(decoder.width(), decoder.height(), options,
                         [&](int y, const std::uint8_t* row) {
                             if (jpeg) {
                                 writing([&] { jpeg->writeRow(row); });
                             } else {
                                 bitmap->writeRow(y, row);
                             }
                         });
    decoder.decodeRows([&](int, const std::uint8_t* row) { sketcher.addPhotoRow(row); });
    sketcher.finish();
    if (jpeg) writing([&] { jpeg->finish(); });
}

}  // namespace

}  // namespace carbonel
