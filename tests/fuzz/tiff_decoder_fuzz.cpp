#include "decoder_fuzz.h"
#include "fuzz_target.h"
#include "formats/tiff_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return zendavo::fuzz::decodeWith<zendavo::TiffDecoder>(data, size);
}
