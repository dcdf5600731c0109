#include "imaging/bmp_buffer.h"

#include <limits>

namespace zendavo {
namespace {

// Little-endian unsigned value of `count` bytes at `offset`; bytes past the end read as 0.
std::uint32_t readLittleEndian(std::span<const std::uint8_t> buffer, std::size_t offset,
                               std::size_t count)
{
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t at = offset + k;
        if (at < buffer.size()) value |= std::uint32_t{buffer[at]} << (8 * k);
    }
    return value;
}

std::int64_t saturatedMultiplyAdd(std::int64_t base, std::int64_t a, std::int64_t b)
{
    std::int64_t product = 0;
    std::int64_t sum = 0;
    if (__builtin_mul_overflow(a, b, &product) || __builtin_add_overflow(base, product, &sum))
        return (a < 0) != (b < 0) ? std::numeric_limits<std::int64_t>::min()
                                  : std::numeric_limits<std::int64_t>::max();
    return sum;
}

}  // namespace

BmpInfo readBmpInfo(std::span<const std::uint8_t> buffer)
{
    BmpInfo info;
    info.bitCount = static_cast<std::int16_t>(readLittleEndian(buffer, 28, 2));
    info.width = static_cast<std::int32_t>(readLittleEndian(buffer, 18, 4));
    info.height = static_cast<std::int32_t>(readLittleEndian(buffer, 22, 4));
    info.pixelOffset = static_cast<std::int16_t>(readLittleEndian(buffer, 10, 2));
    const std::int64_t width = info.width;
    info.stride = bmpStride(width);
    info.pixelEnd = saturatedMultiplyAdd(info.pixelOffset, info.stride, info.height);
    return info;
}

bool isUsableBitmap(const BmpInfo& info, std::size_t bufferSize)
{
    if (info.bitCount != 24 || info.width < 1 || info.height < 1 || info.pixelOffset < 0)
        return false;
    return info.pixelEnd <= static_cast<std::int64_t>(bufferSize);
}

}  // namespace zendavo
