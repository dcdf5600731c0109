// A complete uncompressed 24-bit .bmp file held in memory, and the header values read from it.
// Header fields are read at fixed offsets; every pixel is addressed by arithmetic from pixelEnd.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zendavo {

// The whole file: 14-byte file header, 40-byte info header, bottom-up rows, trailing bytes.
struct BmpBuffer {
    std::vector<std::uint8_t> bytes;

    bool empty() const { return bytes.empty(); }
    std::size_t size() const { return bytes.size(); }
    std::span<const std::uint8_t> view() const { return bytes; }
};

// Values of a BMP header. Derived sizes are 64-bit so that no header can make them overflow.
struct BmpInfo {
    std::int16_t bitCount = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int16_t pixelOffset = 0;  // low half of bfOffBits
    std::int64_t stride = 0;       // 3 * width + (width & 3): one stored row, padded to 4
    std::int64_t pixelEnd = 0;     // one past the last byte of the pixel array
};

// One stored 24-bit row: 3 x width rounded up to a multiple of 4.
constexpr std::int64_t bmpStride(std::int64_t width)
{
    return 3 * width + (width & 3);
}

// Never fails: bytes past the end of the buffer read as zero.
BmpInfo readBmpInfo(std::span<const std::uint8_t> buffer);

// First byte (blue) of column c, row r counted from the top. The caller keeps c, r in range.
constexpr std::int64_t pixelIndex(const BmpInfo& info, std::int64_t c, std::int64_t r)
{
    return info.pixelEnd - (r + 1) * info.stride + 3 * c;
}

// A 24-bit bitmap whose whole pixel array lies inside a buffer of bufferSize bytes.
bool isUsableBitmap(const BmpInfo& info, std::size_t bufferSize);

}  // namespace zendavo
