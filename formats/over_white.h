// Transparency resolved as the picture is read: every colour sample is laid over white.
#pragma once

#include <algorithm>
#include <cstdint>

namespace zendavo {

// Colour c with straight alpha a over white, rounded to nearest.
constexpr std::uint8_t overWhite(unsigned c, unsigned a)
{
    return static_cast<std::uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

// The same for a colour already multiplied by its alpha (c = colour x a / 255, rounded): the
// white shows through by 255 - a. Damaged samples brighter than their alpha stay white.
constexpr std::uint8_t premultipliedOverWhite(unsigned c, unsigned a)
{
    return static_cast<std::uint8_t>(std::min(255u, c + 255 - a));
}

}  // namespace zendavo
