// Builds small 24-bit .bmp buffers for tests, pixel by pixel, with the real file layout.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/bmp_buffer.h"

namespace zendavo::testing {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline void putLe(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int count)
{
    for (int k = 0; k < count; ++k) bytes[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
}

// width x height picture, colour(c, r) for column c and row r from the top; `trailing` extra
// bytes of 0xEE after the pixel array; padding bytes filled with 0xAB so changes show.
inline BmpBuffer makeBmp(int width, int height, const std::function<Rgb(int, int)>& colour,
                         int trailing = 0)
{
    const std::size_t stride = 3 * width + (width & 3);
    std::vector<std::uint8_t> bytes(54 + stride * height + trailing, 0xEE);
    std::fill(bytes.begin(), bytes.begin() + 54, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLe(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    putLe(bytes, 10, 54, 4);
    putLe(bytes, 14, 40, 4);
    putLe(bytes, 18, static_cast<std::uint32_t>(width), 4);
    putLe(bytes, 22, static_cast<std::uint32_t>(height), 4);
    putLe(bytes, 26, 1, 2);
    putLe(bytes, 28, 24, 2);
    for (int r = 0; r < height; ++r) {
        std::size_t at = 54 + stride * (height - 1 - r);
        for (int c = 0; c < width; ++c, at += 3) {
            const Rgb p = colour(c, r);
            bytes[at] = p.b;
            bytes[at + 1] = p.g;
            bytes[at + 2] = p.r;
        }
        for (std::size_t k = 3 * width; k < stride; ++k) bytes[54 + stride * (height - 1 - r) + k] = 0xAB;
    }
    return BmpBuffer{std::move(bytes)};
}

inline BmpBuffer makeSolidBmp(int width, int height, Rgb colour, int trailing = 0)
{
    return makeBmp(width, height, [colour](int, int) { return colour; }, trailing);
}

// The pixel at column c, row r from the top of a well-formed buffer.
inline Rgb pixelAt(const BmpBuffer& bmp, int c, int r)
{
    const BmpInfo info = readBmpInfo(bmp.bytes);
    const auto at = static_cast<std::size_t>(pixelIndex(info, c, r));
    return {bmp.bytes[at + 2], bmp.bytes[at + 1], bmp.bytes[at]};
}

}  // namespace zendavo::testing
