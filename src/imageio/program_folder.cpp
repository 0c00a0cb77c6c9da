#include "imageio/program_folder.h"

#include <unistd.h>

#include <climits>

namespace carbonel {

std::optional<std::string> programFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0 || path[0] != '/') return std::nullopt;
    const std::string program(path, static_cast<std::size_t>(length));
    return program.substr(0, program.rfind('/'));
}

}  // namespace carbonel
