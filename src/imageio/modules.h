#pragma once

#include "imageio/module_abi.h"

namespace carbonel {

// The table of the module `name` (libcarbonel_NAME.so), loaded once on first use from beside the
// running program or from the program's installed modules folder. The formats whose libraries are
// large to load (TIFF, HEIF, SVG and PDF, MP4) live in modules, so that a run that does not use
// them does not load them. A module that cannot be loaded, is no library, or was built for
// another module ABI (kModuleAbi) fails with "WHAT support is not installed: WHY", on one line.
const CarbonelModule& loadedModule(const char* name, const char* what);

// Fails as above: the module holds no entry of the kind asked for.
[[noreturn]] void missingModuleEntry(const char* name, const char* what);

// The entry `entry` of the module `name`, e.g. &CarbonelModule::openPhotoRows.
template <typename Entry>
Entry* moduleEntry(const char* name, const char* what, Entry* CarbonelModule::*entry) {
    if (Entry* found = loadedModule(name, what).*entry) return found;
    missingModuleEntry(name, what);
}

}  // namespace carbonel
