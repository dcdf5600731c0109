// The watermark's top-left pixel in the source for a position and two margins.
#pragma once

#include <cstdint>

#include "imaging/watermark_settings.h"

namespace zendavo {

// Column and row of the watermark's top-left pixel; either may be negative.
struct Placement {
    std::int64_t x = 0;
    std::int64_t y = 0;

    friend bool operator==(const Placement&, const Placement&) = default;
};

// W x H is the source, w x h the watermark's full size. A position outside 1..9 places at
// the left and top, as position 1 does.
Placement computePlacement(const WatermarkSettings& settings, std::int64_t W, std::int64_t H,
                           std::int64_t w, std::int64_t h);

}  // namespace zendavo
