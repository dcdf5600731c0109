// The whole converter on arbitrary file content: every decoder in turn, then the writer.
#include "fuzz_files.h"
#include "fuzz_target.h"
#include "formats/image_converter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto input = zendavo::fuzz::writeInput({data, size});
    zendavo::ConvertDetails details;
    zendavo::convertToBmp(input, zendavo::fuzz::outputPath(), details);
    return 0;
}
