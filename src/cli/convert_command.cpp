#include "cli/convert_command.h"

#include <unistd.h>

#include "cli/paper_lookup.h"
#include "cli/report.h"
#include "cli/standard_streams.h"
#include "imageio/conversion.h"
#include "imageio/paper_reader.h"
#include "imageio/photo_reader.h"
#include "sketch/convert.h"
#include "sketch/error.h"

namespace carbonel::cli {

std::optional<Raster> loadTexture(const ConversionArgs& args) {
    if (!args.texture) return std::nullopt;
    try {
        return loadPicture(texturePath(*args.texture));
    } catch (const Error& error) {
        throw Error(std::string("texture ") + error.what());
    }
}

namespace {

// The paper for one photo's sketch, read only as far as that sketch needs it.
std::optional<Raster> loadTextureFor(const ConversionArgs& args, const PhotoReader& photo) {
    if (!args.texture) return std::nullopt;
    try {
        return readPaperFile(texturePath(*args.texture),
                             args.stretch ? TextureFit::Stretch : TextureFit::Tile,
                             photo.width() + 1, photo.height() + 1);
    } catch (const Error& error) {
        throw Error(std::string("texture ") + error.what());
    }
}

}  // namespace

ConversionOptions conversionOptionsFor(const ConversionArgs& args,
                                       const std::optional<Raster>& texture) {
    ConversionOptions options;
    options.precision = args.precision;
    options.line = args.line;
    options.style = args.style;
    options.texture = texture ? &*texture : nullptr;
    options.textureFit = args.stretch ? TextureFit::Stretch : TextureFit::Tile;
    options.threads = args.threads;
    return options;
}

int runConvert(const ConvertArgs& args) {
    try {
        // Before any work: a bad output name fails fast, and so does the photo's own file.
        const OutputFormat format = *args.format;
        if (args.photo != "-" && args.output != "-") refuseSameFile(args.photo, args.output);
        const FileOptions& files = args.conversion.files;
        auto openPhoto = [&] {
            return args.photo == "-"
                       ? openPhotoStream(STDIN_FILENO, files.reading, "standard input")
                       : openPhotoFile(args.photo, files.reading);
        };
        // The paper is never traced: SVG and PDF lines lie on an empty page.
        auto convertInto = [&](PhotoReader& reader, std::FILE* out, const std::string& name) {
            const std::optional<Raster> texture =
                isVectorFormat(format) ? std::nullopt : loadTextureFor(args.conversion, reader);
            convertRows(reader, conversionOptionsFor(args.conversion, texture), format, out, name,
                        files);
        };
        if (args.output == "-") {
            const std::unique_ptr<PhotoReader> reader = openPhoto();
            writeStandardOutput(
                format, [&](std::FILE* out) { convertInto(*reader, out, "standard output"); });
        } else {
            AtomicFile file(args.output);
            const std::unique_ptr<PhotoReader> reader = openPhoto();
            convertInto(*reader, file.stream(), args.output);
            file.commit();
        }
        return 0;
    } catch (const std::exception& error) {
        reportError(error.what());
        return 1;
    }
}

}  // namespace carbonel::cli
