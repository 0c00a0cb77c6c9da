#include "cli/convert_command.h"

#include "cli/paper_lookup.h"
#include "cli/report.h"
#include "cli/standard_streams.h"
#include "imageio/photo_conversion.h"
#include "imageio/picture_files.h"
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

namespace {

// A message about a temporary file names the stream it stands for instead.
std::string aboutStream(std::string message, const std::string& temporary,
                        const std::string& stream) {
    for (std::size_t at; !temporary.empty() && (at = message.find(temporary)) != std::string::npos;)
        message.replace(at, temporary.size(), stream);
    return message;
}

}  // namespace

int runConvert(const ConvertArgs& args) {
    std::string inputStandIn, outputStandIn;
    try {
        // Before any work: a bad output name fails fast, and so does the photo's own file.
        const SaveType type = args.output == "-" ? *args.format : saveTypeForOutput(args.output);
        if (args.photo != "-" && args.output != "-") refuseSameFile(args.photo, args.output);
        const std::optional<Raster> texture = loadTexture(args.conversion);
        const ConversionOptions options = conversionOptionsFor(args.conversion, texture);

        std::unique_ptr<TemporaryFile> input;
        std::string photo = args.photo;
        if (photo == "-") {
            input = standardInputAsFile();
            photo = inputStandIn = input->path();
        }
        if (args.output == "-") {
            const TemporaryFile output("." + args.formatName);
            outputStandIn = output.path();
            convertPhotoFile(photo, output.path(), type, options, args.conversion.files);
            copyToStandardOutput(output.path());
        } else {
            convertPhotoFile(photo, args.output, type, options, args.conversion.files);
        }
        return 0;
    } catch (const std::exception& error) {
        reportError(aboutStream(aboutStream(error.what(), inputStandIn, "standard input"),
                                outputStandIn, "standard output"));
        return 1;
    }
}

}  // namespace carbonel::cli
