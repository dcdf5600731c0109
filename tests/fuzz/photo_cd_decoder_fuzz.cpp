// An image pac is at least 1 MiB; the input is its beginning and the rest reads as zeros.
#include "decoder_fuzz.h"
#include "fuzz_target.h"
#include "formats/photo_cd_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return zendavo::fuzz::decodeWith<zendavo::PhotoCdDecoder>(data, size,
                                                              static_cast<std::size_t>(zendavo::PhotoCdDecoder::kMinLength));
}
