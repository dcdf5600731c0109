// The compositor on two arbitrary buffers taken for .bmp files and arbitrary settings.
// Input: position, marginX, marginY, key colour (4 bytes each, little-endian), the source's
// length (4 bytes), the source, then the watermark.
#include <cstring>

#include "fuzz_target.h"
#include "imaging/compositor.h"

namespace {

std::uint32_t take32(const std::uint8_t*& at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    at += sizeof value;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t header = 20;
    if (size < header) return 0;
    const std::uint8_t* at = data;
    zendavo::WatermarkSettings settings;
    settings.position = static_cast<int>(take32(at));
    settings.marginX = static_cast<int>(take32(at));
    settings.marginY = static_cast<int>(take32(at));
    const zendavo::ColourValue key = take32(at) & 0xFFFFFF;
    const std::size_t rest = size - header;
    const std::size_t sourceLength = take32(at) % (rest + 1);
    const zendavo::BmpBuffer source{{at, at + sourceLength}};
    const zendavo::BmpBuffer watermark{{at + sourceLength, data + size}};

    int warnings = 0;
    const zendavo::BmpBuffer made =
        zendavo::composite(source, watermark, settings, [&](zendavo::SizeWarning) { ++warnings; }, key);
    // Drawing changes bytes, never the length.
    if (!made.empty() && made.size() != source.size()) __builtin_trap();
    if (warnings > 2) __builtin_trap();
    return 0;
}
