// The largest picture any decoder will allocate, checked from the header before allocating.
#pragma once

#include <cstdint>

namespace zendavo {

inline constexpr std::int64_t kMaxImageSide = 65500;
inline constexpr std::int64_t kMaxImagePixels = 250'000'000;
// What decoding one picture may hold at once: the largest picture at four bytes a pixel, codec
// buffers (a progressive JPEG's coefficients) counted in.
inline constexpr std::int64_t kMaxDecodeBytes = kMaxImagePixels * 4;

constexpr bool withinImageLimits(std::int64_t width, std::int64_t height)
{
    return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

}  // namespace zendavo
