// PNG compression of a bottom-up 24-bit .bmp, as 8-bit RGB through libpng.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/bmp_rows.h"
#include "formats/output_metadata.h"

namespace zendavo {

// metadata, when given, is written as iCCP, eXIf, pHYs and an iTXt "XML:com.adobe.xmp"; a
// profile libpng refuses is left out rather than failing the picture.
bool encodePng(const BmpRows& rows, const OutputMetadata* metadata,
               std::vector<std::uint8_t>& encoded);

}  // namespace zendavo
