#include "cli/convert_command.h"

#include <unistd.h>

#include <cstdio>

#include "cli/paper_lookup.h"
#include "cli/report.h"
#include "cli/standard_streams.h"
#include "imageio/conversion.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "sketch/convert.h"
#include "sketch/error.h"

namespace carbonel::cli {

std::string paperFile(const ConversionArgs& args, bool traced) {
    // The paper is never traced: SVG and PDF lines lie on an empty page.
    if (!args.texture || traced) return "";
    try {
        const std::string path = texturePath(*args.texture);
        openPhotoFile(path);  // a paper that cannot be read fails before any photo
        return path;
    } catch (const Error& error) {
        throw Error(std::string("texture ") + error.what());
    }
}

ConversionOptions conversionOptionsFor(const ConversionArgs& args) {
    ConversionOptions options;
    options.precision = args.precision;
    options.line = args.line;
    options.style = args.style;
    options.textureFit = args.stretch ? TextureFit::Stretch : TextureFit::Tile;
    options.threads = args.threads;
    return options;
}

int runConvert(const ConvertArgs& args) {
    try {
        // Before any work: a bad output name fails fast, and so does the photo's own file.
        const OutputFormat format = *args.format;
        if (args.photo != "-" && args.output != "-") refuseSameFile(args.photo, args.output);
        FileOptions files = args.conversion.files;
        files.paper = paperFile(args.conversion, isVectorFormat(format));
        const ConversionOptions options = conversionOptionsFor(args.conversion);
        auto openPhoto = [&] {
            return args.photo == "-"
                       ? openPhotoStream(STDIN_FILENO, files.reading, "standard input")
                       : openPhotoFile(args.photo, files.reading);
        };
        if (args.output == "-") {
            const std::unique_ptr<PhotoReader> reader = openPhoto();
            writeStandardOutput(format, [&](std::FILE* out) {
                convertRows(*reader, options, format, out, "standard output", files);
            });
        } else {
            // The photo and the target are checked before the target is opened: opening a named
            // pipe waits for its reader.
            const std::unique_ptr<PhotoReader> reader = openPhoto();
            checkSketchTarget(args.output, format);
            AtomicFile file(args.output);
            convertRows(*reader, options, format, file.stream(), args.output, files);
            file.commit();
        }
        if (const std::shared_ptr<TraceReport>& report = files.trace.report) {
            const char* unit = report->millimetres ? "mm" : "px";
            std::fprintf(stderr,
                         "paths: %lld\ndrawn: %.1f %s\npen-up: %.1f %s\npen lifts: %lld\n",
                         report->paths, report->drawn, unit, report->penUp, unit, report->lifts);
        }
        return 0;
    } catch (const std::exception& error) {
        reportError(error.what());
        return 1;
    }
}

}  // namespace carbonel::cli
