// Pictures are held red, green, blue; .bmp files store blue, green, red.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zendavo {

// Copies `pixels` three-byte pixels from `in` to `out` with the first and third bytes swapped.
inline void swapRedBlue(const std::uint8_t* in, std::uint8_t* out, std::size_t pixels)
{
    for (std::size_t x = 0; x < pixels; ++x, in += 3, out += 3) {
        const std::uint8_t first = in[0];
        out[0] = in[2];
        out[1] = in[1];
        out[2] = first;
    }
}

}  // namespace zendavo
