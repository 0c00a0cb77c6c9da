#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace carbonel {

// The output size a HEIF file's primary item declares when that item is a grid of tiles (its
// ImageGrid description), or none when it is not a grid or the boxes cannot be followed. libheif
// decodes a grid at that size, whatever size the file gives the picture elsewhere.
std::optional<std::pair<std::uint32_t, std::uint32_t>> heifGridSize(
    const std::vector<std::uint8_t>& file);

}  // namespace carbonel
