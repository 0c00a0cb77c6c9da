#include <iostream>
#include <string>
#include <vector>

#include "cli/batch_command.h"
#include "cli/cli_options.h"
#include "cli/convert_command.h"
#include "cli/gif_command.h"
#include "cli/paper_lookup.h"
#include "cli/report.h"
#include "cli/standard_streams.h"
#include "cli/video_command.h"
#include "imageio/atomic_file.h"

namespace carbonel::cli {

void reportError(const std::string& message) {
    std::cerr << "carbonel-cli: " << message << '\n';
}

namespace {

int listTextures(const std::vector<std::string>& args) {
    parseTexturesArgs(args);
    for (const TextureEntry& entry : installedTextures()) std::cout << entry.name << '\n';
    return standardOutputWritten() ? 0 : 1;
}

}  // namespace

}  // namespace carbonel::cli

int main(int argc, char** argv) {
    using namespace carbonel::cli;
    carbonel::removeTemporariesOnInterrupt();
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (asksFor(args, "--help", "-h")) {
        std::cout << usageText();
        return standardOutputWritten() ? 0 : 1;
    }
    if (asksFor(args, "--version")) {
        std::cout << "carbonel-cli " CARBONEL_VERSION "\n";
        return standardOutputWritten() ? 0 : 1;
    }
    try {
        if (args.empty()) throw UsageError("no command given");
        const std::string command = args.front();
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (command == "convert") return runConvert(parseConvertArgs(rest));
        if (command == "gif") return runGif(parseGifArgs(rest));
        if (command == "animate") return runGif(parseAnimateArgs(rest), true);
        if (command == "batch") return runBatch(parseBatchArgs(rest));
        if (command == "video") return runVideo(parseVideoArgs(rest));
        if (command == "textures") return listTextures(rest);
        throw UsageError("unknown command \"" + command + "\"");
    } catch (const UsageError& error) {
        reportError(error.what());
        std::cerr << "Try 'carbonel-cli --help'.\n";
        return 2;
    } catch (const std::exception& error) {
        // Whatever else goes wrong is reported too; unfinished files are never in place.
        reportError(error.what());
        return 1;
    }
}
