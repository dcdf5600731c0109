// JPEG compression of a bottom-up 24-bit .bmp straight from its buffer, at libjpeg's defaults
// (baseline, 4:2:0) and the given quality.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/bmp_rows.h"

namespace zendavo {

// False when libjpeg fails or the output cannot be stored. quality is clamped to 1..100.
bool encodeJpeg(const BmpRows& rows, int quality, std::vector<std::uint8_t>& encoded);

}  // namespace zendavo
