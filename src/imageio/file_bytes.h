#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace carbonel {

// Opens a file to read and tells its size; fails with "Cannot open file PATH: REASON". The caller
// closes it.
std::FILE* openForReading(const std::string& path, std::uint64_t& size);

// The whole contents of a file; fails with "Cannot open file PATH: REASON".
std::vector<std::uint8_t> readFileBytes(const std::string& path);

}  // namespace carbonel
