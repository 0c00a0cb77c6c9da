#include "cli/convert_command.h"

#include "cli/report.h"
#include "imageio/photo_conversion.h"
#include "imageio/picture_files.h"
#include "sketch/convert.h"
#include "sketch/error.h"

namespace carbonel::cli {

std::optional<Raster> loadTexture(const ConversionArgs& args) {
    if (!args.texture) return std::nullopt;
    try {
        return loadPicture(*args.texture);
    } catch (const Error& error) {
        throw Error(std::string("texture ") + error.what());
    }
}

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

void convertFile(const std::string& photoPath, const std::string& outputPath,
                 const ConversionArgs& args, const std::optional<Raster>& texture) {
    const SaveType type = saveTypeForOutput(outputPath);  // before any work: a bad name fails fast
    convertPhotoFile(photoPath, outputPath, type, conversionOptionsFor(args, texture),
                     args.reading);
}

int runConvert(const ConvertArgs& args) {
    try {
        saveTypeForOutput(args.output);
        const std::optional<Raster> texture = loadTexture(args.conversion);
        convertFile(args.photo, args.output, args.conversion, texture);
        return 0;
    } catch (const std::exception& error) {
        reportError(error.what());
        return 1;
    }
}

}  // namespace carbonel::cli
