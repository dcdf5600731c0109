// A colour packed as red + 256 * green + 65536 * blue.
#pragma once

#include <cstdint>

namespace zendavo {

using ColourValue = std::uint32_t;

inline constexpr ColourValue kWhite = 0xFFFFFF;

// The colour of a BMP pixel whose bytes are blue, green, red.
constexpr ColourValue colourOfBgr(std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    return ColourValue{red} | ColourValue{green} << 8 | ColourValue{blue} << 16;
}

}  // namespace zendavo
