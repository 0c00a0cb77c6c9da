#pragma once

namespace carbonel {

// The entry `symbol` of the module `name` (libcarbonel_NAME.so), loaded once on first use from
// beside the running program or from the program's installed modules folder. The formats whose
// libraries are large to load (TIFF, HEIF, SVG and PDF, MP4) live in modules, so that a run that
// does not use them does not load them. A module that cannot be loaded fails with "WHAT support is
// not installed: WHY".
void* moduleEntry(const char* name, const char* symbol, const char* what);

}  // namespace carbonel
