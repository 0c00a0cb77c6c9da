#include "imageio/modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <map>
#include <mutex>
#include <string>

#include "imageio/heif_reader.h"
#include "imageio/tiff_reader.h"
#include "imageio/traced_writer.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

// The folder of the running program.
std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    const std::string program(path, static_cast<std::size_t>(length));
    return program.substr(0, program.rfind('/'));
}

void* loadModule(const std::string& name, std::string& why) {
    const std::string file = "libcarbonel_" + name + ".so";
    const std::string folder = programFolder();
    // Built, the modules lie beside the programs; installed, in their own folder.
    for (const std::string& place :
         {folder + "/" + file, folder + "/" CARBONEL_MODULES_FROM_PROGRAMS "/" + file}) {
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
