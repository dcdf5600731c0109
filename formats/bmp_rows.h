// The rows of a 24-bit bottom-up .bmp held in memory, addressed top row first, for encoders
// that read the picture straight out of the buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zendavo {

struct BmpRows {
    const std::uint8_t* pixelEnd = nullptr;
    std::size_t stride = 0;
    int width = 0;
    int height = 0;

    // Blue, green, red of the pixels of row r counted from the top.
    const std::uint8_t* row(int r) const
    {
        return pixelEnd - (static_cast<std::size_t>(r) + 1) * stride;
    }
};

// The rows of `bmp`, or nothing when it is not a "BM" file of 24 bits whose whole pixel array
// lies inside the buffer and whose size is within the image limits.
std::optional<BmpRows> bmpRows(std::span<const std::uint8_t> bmp);

}  // namespace zendavo
