// Little-endian integer helpers for the container.
#pragma once

#include <cstdint>
#include <string>

namespace payload {

inline void putLe(std::string& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

inline std::uint64_t getLe(const std::string& in, std::size_t at, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(in[at + i]);
    return value;
}

}  // namespace payload
