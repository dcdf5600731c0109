// The largest picture any decoder will allocate, checked from the header before allocating.
#pragma once

#include <cstdint>

namespace zendavo {

inline constexpr std::int64_t kMaxImageSide = 65500;
inline constexpr std::int64_t kMaxImagePixels = 250'000'000;
// The most a codec may hold besides the picture (a progressive JPEG's coefficients, libtiff's
// buffers): the largest picture at four bytes a pixel.
inline constexpr std::int64_t kMaxDecodeBytes = kMaxImagePixels * 4;

constexpr bool withinImageLimits(std::int64_t width, std::int64_t height)
{
    return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

}  // namespace zendavo
