// PNG compression of a bottom-up 24-bit .bmp, as 8-bit RGB through libpng.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/bmp_rows.h"

namespace zendavo {

bool encodePng(const BmpRows& rows, std::vector<std::uint8_t>& encoded);

}  // namespace zendavo
