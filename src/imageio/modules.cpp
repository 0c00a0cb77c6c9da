#include "imageio/modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "imageio/heif_reader.h"
#include "imageio/program_folder.h"
#include "imageio/tiff_reader.h"
#include "imageio/traced_writer.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

// The folders a module may come from, all absolute: beside the program's real path (a build, or
// a relocated install) and the installed module folder relative to it; else, when the program's
// own path cannot be read (no /proc in a container or a mount namespace), the module folders fixed
// at build time (the install's and the package's). Never a relative folder: it would be the
// working folder, where anyone may have left a file of that name.
std::vector<std::string> moduleFolders() {
    std::vector<std::string> folders;
    if (const std::optional<std::string> program = programFolder()) {
        // A build's or an install's own modules only: never those of another version elsewhere.
        folders.push_back(*program);
        folders.push_back(*program + "/" CARBONEL_MODULES_FROM_PROGRAMS);
        return folders;
    }
    for (const std::string installed : {CARBONEL_MODULES_INSTALLED, CARBONEL_MODULES_PACKAGED}) {
        if (installed.starts_with('/')) folders.push_back(installed);
    }
    return folders;
}

void* loadModule(const std::string& name, std::string& why) {
    const std::string file = "libcarbonel_" + name + ".so";
    const std::vector<std::string> folders = moduleFolders();
    if (folders.empty()) why = "the program's folder cannot be found";
    for (const std::string& folder : folders) {
        const std::string place = folder + "/" + file;
        if (void* module = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
        if (::access(place.c_str(), F_OK) == 0 || why.empty()) why = ::dlerror();
    }
    return nullptr;
}

}  // namespace

void* moduleEntry(const char* name, const char* symbol, const char* what) {
    static std::mutex mutex;
    static std::map<std::string, void*> loaded;  // never unloaded: its objects may outlive us
    const std::lock_guard lock(mutex);
    void*& module = loaded[name];
    std::string why;
    if (!module) module = loadModule(name, why);
    void* entry = module ? ::dlsym(module, symbol) : nullptr;
    if (!entry) {
        if (why.empty()) {
            const char* error = ::dlerror();
            why = error ? error : "no entry " + std::string(symbol);
        }
        throw Error(std::string(what) + " support is not installed: " + why);
    }
    return entry;
}

namespace {

std::unique_ptr<PhotoReader> moduleRows(const char* name, const char* symbol, const char* what,
                                        PhotoInput& input, PhotoReading reading) {
    using Open = PhotoReader* (*)(PhotoInput*, PhotoReading);
    const auto open = reinterpret_cast<Open>(moduleEntry(name, symbol, what));
    return std::unique_ptr<PhotoReader>(open(&input, reading));
}

}  // namespace

std::unique_ptr<PhotoReader> openHeifRows(PhotoInput input, PhotoReading reading) {
    return moduleRows("heif", "carbonel_heif_rows", "HEIF", input, reading);
}

std::unique_ptr<PhotoReader> openTiffRows(PhotoInput input, PhotoReading reading) {
    return moduleRows("tiff", "carbonel_tiff_rows", "TIFF", input, reading);
}

std::unique_ptr<SketchWriter> openTracedWriter(OutputFormat format, std::FILE* out,
                                               const SketchFrame& frame) {
    using Open = SketchWriter* (*)(OutputFormat, std::FILE*, const SketchFrame*);
    const auto open = reinterpret_cast<Open>(moduleEntry(
        "trace", "carbonel_traced_writer", format == OutputFormat::Svg ? "SVG" : "PDF"));
    return std::unique_ptr<SketchWriter>(open(format, out, &frame));
}

}  // namespace carbonel
