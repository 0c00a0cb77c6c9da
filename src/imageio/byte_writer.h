#pragma once

#include <cstdint>
#include <string>

namespace carbonel {

// Little-endian numbers appended to a byte string, as every file format we write stores them.
inline void putU16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

inline void putU32(std::string& out, std::uint32_t value) {
    putU16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    putU16(out, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace carbonel
