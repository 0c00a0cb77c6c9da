#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/batch_command.h"
#include "cli/cli_options.h"
#include "cli/convert_command.h"
#include "cli/gif_command.h"
#include "cli/report.h"
#include "imageio/atomic_file.h"

namespace carbonel::cli {

void reportError(const std::string& message) {
    std::cerr << "carbonel-cli: " << message << '\n';
}

}  // namespace carbonel::cli

int main(int argc, char** argv) {
    using namespace carbonel::cli;
    carbonel::removeTemporariesOnInterrupt();
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
    }
    try {
        if (args.empty()) throw UsageError("no command given");
        const std::string command = args.front();
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (command == "convert") return runConvert(parseConvertArgs(rest));
        if (command == "gif") return runGif(parseGifArgs(rest));
        if (command == "batch") return runBatch(parseBatchArgs(rest));
        throw UsageError("unknown command \"" + command + "\"");
    } catch (const UsageError& error) {
        reportError(error.what());
        std::cerr << '\n' << kUsage;
        return 2;
    } catch (const std::exception& error) {
        // Whatever else goes wrong is reported too; unfinished files are never in place.
        reportError(error.what());
        return 1;
    }
}
