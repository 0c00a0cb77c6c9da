#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace carbonel {

// The whole contents of a file; fails with "Cannot open file PATH: REASON".
std::vector<std::uint8_t> readFileBytes(const std::string& path);

}  // namespace carbonel
