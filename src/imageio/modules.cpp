#include "imageio/modules.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
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

// Why dlopen refused the file at `place`, on one line: a file that is no shared object at all
// (a download cut short, a text file) is said so rather than with the loader's words for it.
std::string notLoaded(const std::string& place) {
    const char* said = ::dlerror();
    const std::string error = said ? said : place + " cannot be loaded";
    const int fd = ::open(place.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        constexpr char kElf[4] = {'\x7f', 'E', 'L', 'F'};
        char magic[sizeof kElf] = {};
        const bool elf = ::read(fd, magic, sizeof magic) == sizeof magic &&
                         std::memcmp(magic, kElf, sizeof magic) == 0;
        ::close(fd);
        if (!elf) return place + " is not a shared library";
    }
    return error;
}

// The table of libcarbonel_NAME.so from the first folder whose copy loads and was built for this
// program's module ABI; else null, with the reason of the last copy that was there.
const CarbonelModule* loadModule(const std::string& name, std::string& why) {
    const std::string file = "libcarbonel_" + name + ".so";
    const std::vector<std::string> folders = moduleFolders();
    if (folders.empty()) why = "the program's folder cannot be found";
    for (const std::string& folder : folders) {
        const std::string place = folder + "/" + file;
        void* module = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const std::string reason = notLoaded(place);
            if (::access(place.c_str(), F_OK) == 0 || why.empty()) why = reason;
            continue;
        }
        using Entry = const CarbonelModule* (*)();
        const auto entry = reinterpret_cast<Entry>(::dlsym(module, "carbonel_module"));
        const CarbonelModule* table = entry ? entry() : nullptr;
        if (table && table->abi == kModuleAbi) return table;
        // Only the first member is read from a table of another build: nothing else is known of it.
        why = table ? file + " is from another build of Carbonel (module ABI " +
                          std::to_string(table->abi) + ", this program needs " +
                          std::to_string(kModuleAbi) + ")"
                    : file + " is not a Carbonel module (it has no carbonel_module entry)";
        ::dlclose(module);
    }
    return nullptr;
}

}  // namespace

const CarbonelModule& loadedModule(const char* name, const char* what) {
    static std::mutex mutex;
    // Never unloaded: the objects a module made may outlive us.
    static std::map<std::string, const CarbonelModule*> loaded;
    const std::lock_guard lock(mutex);
    const CarbonelModule*& module = loaded[name];
    if (!module) {
        std::string why;
        module = loadModule(name, why);
        if (!module) throw Error(std::string(what) + " support is not installed: " + why);
    }
    return *module;
}

void missingModuleEntry(const char* name, const char* what) {
    throw Error(std::string(what) + " support is not installed: libcarbonel_" + name +
                ".so holds no entry for it");
}

std::unique_ptr<PhotoReader> openHeifRows(PhotoInput input, PhotoReading reading) {
    const auto open = moduleEntry("heif", "HEIF", &CarbonelModule::openPhotoRows);
    return std::unique_ptr<PhotoReader>(open(&input, reading));
}

std::unique_ptr<PhotoReader> openTiffRows(PhotoInput input, PhotoReading reading) {
    const auto open = moduleEntry("tiff", "TIFF", &CarbonelModule::openPhotoRows);
    return std::unique_ptr<PhotoReader>(open(&input, reading));
}

std::unique_ptr<SketchWriter> openTracedWriter(OutputFormat format, std::FILE* out,
                                               const SketchFrame& frame) {
    if (!isVectorFormat(format)) throw std::logic_error("only SVG and PDF are traced");
    const auto open = moduleEntry("trace", format == OutputFormat::Svg ? "SVG" : "PDF",
                                  &CarbonelModule::openSketchWriter);
    return std::unique_ptr<SketchWriter>(open(format, out, &frame));
}

}  // namespace carbonel
