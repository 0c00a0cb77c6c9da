#include "imageio/photo_conversion.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "imageio/jpeg_codec.h"
#include "imageio/photo_stream.h"
#include "imageio/picture_files.h"
#include "imageio/row_progress.h"
#include "sketch/error.h"
#include "sketch/team.h"

namespace carbonel {
namespace {

constexpr int kRowsPerChunk = 64;

// Sketches the photo while a second thread decodes it; the rows left when decoding ends are
// shared out between every core.
ConvertedPhoto convertWhileDecoding(JpegDecoder& decoder, const ConversionOptions& options) {
    checkPhotoSize(decoder.width(), decoder.height());
    ConvertedPhoto result;
    result.photo = Raster::uninitialized(decoder.width(), decoder.height());
    result.sketch = Raster::uninitialized(decoder.width() + 1, decoder.height() + 1);
    const SketchSettings settings = conversionSettings(options);
    const int step = settings.lineStep;
    const int height = decoder.height();

    // The decoder's failure, which may come after its last row, is read only once it has joined.
    RowProgress decoded;
    std::exception_ptr decodeFailure;
    std::thread helper([&] {
        try {
            decoder.decodeInto(result.photo, &decoded);
        } catch (...) {
            decodeFailure = std::current_exception();
            decoded.fail();
        }
    });

    int next = 0;
    try {
        // Each chunk's blank sheet is laid just before it is sketched, so a file that fails early
        // costs no memory for the rows it never reached.
        while (next < height && decoded.current() != height) {
            const int end = std::min(height, next + kRowsPerChunk);
            if (decoded.waitFor(std::min(height, end + step)) == RowProgress::kFailed) break;
            fillBlankRows(result.sketch, options, next, end);
            sketchRowsFast(result.photo, result.sketch, settings, options.style, next, end);
            next = end;
        }
    } catch (...) {
        helper.join();
        throw;
    }
    helper.join();
    if (decodeFailure) std::rethrow_exception(decodeFailure);
    runOnTeam(conversionThreads(options.threads), [&](int member, int team) {
        const long long rows = height - next;
        const int begin = next + static_cast<int>(rows * member / team);
        const int end = next + static_cast<int>(rows * (member + 1) / team);
        fillBlankRows(result.sketch, options, begin, end);
        sketchRowsFast(result.photo, result.sketch, settings, options.style, begin, end);
    });
    fillBlankRows(result.sketch, options, height, height + 1);  // the extra row holds only paper
    return result;
}

bool pipelines(const std::string& photoPath, const ConversionOptions& options) {
    return photoKindFor(photoPath) == PhotoKind::Jpeg && usesFastPath(options) &&
           conversionThreads(options.threads) > 1;
}

}  // namespace

ConvertedPhoto loadAndConvert(const std::string& path, const ConversionOptions& options,
                              PhotoReading reading) {
    ConvertedPhoto result;
    if (pipelines(path, options)) {
        JpegDecoder decoder(path);
        if (decoder.orientation(reading) == 1)
            return convertWhileDecoding(decoder, options);
        result.photo = readJpegPhoto(decoder, reading);
    } else {
        result.photo = loadPicture(path, reading);
    }
    result.sketch = convertPhoto(result.photo, options);
    return result;
}

void convertPhotoInto(const std::string& photoPath, AtomicFile& file, SaveType type,
                      MetafileKind metafile, const ConversionOptions& options,
                      const FileOptions& files) {
    if (streamsConversion(photoPath, options)) {
        streamPhotoInto(photoPath, file, type, metafile, options, files);
        return;
    }
    const ConvertedPhoto converted = loadAndConvert(photoPath, options, files.reading);
    writeSketchTo(converted.sketch, file, type, metafile, converted.photo.width(),
                  converted.photo.height(), files.jpegQuality);
}

void convertPhotoFile(const std::string& photoPath, const std::string& outputPath, SaveType type,
                      const ConversionOptions& options, const FileOptions& files) {
    AtomicFile file(outputPath);
    convertPhotoInto(photoPath, file, type, metafileKindFor(outputPath), options, files);
    file.commit();
}

}  // namespace carbonel
