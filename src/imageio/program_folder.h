#pragma once

#include <optional>
#include <string>

namespace carbonel {

// The absolute folder of the running program's real file, or nothing when it cannot be read (a
// container or mount namespace without /proc): callers then use the folders fixed at build time,
// never a relative one.
std::optional<std::string> programFolder();

}  // namespace carbonel
