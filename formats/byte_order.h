// Little-endian fields of file headers, read from byte buffers the caller has sized.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zendavo {

inline std::uint16_t le16(const std::uint8_t* at)
{
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline std::uint32_t le32(const std::uint8_t* at)
{
    return std::uint32_t{at[0]} | (std::uint32_t{at[1]} << 8) | (std::uint32_t{at[2]} << 16) |
           (std::uint32_t{at[3]} << 24);
}

inline void putLe16(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void putLe32(std::uint8_t* at, std::uint32_t value)
{
    for (int k = 0; k < 4; ++k) at[k] = static_cast<std::uint8_t>(value >> (8 * k));
}

}  // namespace zendavo
