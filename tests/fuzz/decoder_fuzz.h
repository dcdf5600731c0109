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
    RasterImage image;
    if (decoder.open(input, image)) decoder.read();
    decoder.close();
    return 0;
}

}  // namespace zendavo::fuzz
