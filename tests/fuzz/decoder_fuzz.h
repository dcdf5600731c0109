// One decoder on arbitrary file content, the way the converter drives it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fuzz_files.h"
#include "formats/raster_image.h"

namespace zendavo::fuzz {

template <typename Decoder>
int decodeWith(const std::uint8_t* data, std::size_t size, std::size_t minimumLength = 0)
{
    const auto input = writeInput({data, size}, minimumLength);
    Decoder decoder;
    if (!decoder.open(input)) return 0;
    const int width = decoder.width();
    const int height = decoder.height();
    RasterImage image;
    // A picture read is the size open announced.
    if (decoder.read(image) && (image.width() != width || image.height() != height)) __builtin_trap();
    decoder.close();
    return 0;
}

}  // namespace zendavo::fuzz
