// The encoder on arbitrary bytes taken for a .bmp, encoded to memory only.
// Input: format code, JPEG quality, then the .bmp bytes.
#include <vector>

#include "fuzz_target.h"
#include "formats/image_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    const auto format = static_cast<zendavo::EncoderFormat>(1 + data[0] % 5);
    const int quality = 1 + data[1] % 100;
    std::vector<std::uint8_t> encoded;
    // An all-spaces path: the bytes are handed back and no file is written.
    zendavo::encodeBmp({data + 2, size - 2}, format, " ", &encoded, quality);
    return 0;
}
