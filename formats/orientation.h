// Turning a stored picture upright as its EXIF orientation says (1 to 8), row by row as the
// .bmp file is written: 2 mirrors left-right, 3 turns 180 degrees, 4 mirrors top-bottom,
// 5 transposes, 6 turns 90 degrees clockwise, 7 transverses, 8 turns 90 degrees anticlockwise.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/raster_image.h"

namespace zendavo {

// A value outside 2..8 counts as 1, upright already.
constexpr int validOrientation(int orientation)
{
    return orientation >= 2 && orientation <= 8 ? orientation : 1;
}

// 5 to 8 swap width and height.
constexpr bool turnsSideways(int orientation)
{
    return validOrientation(orientation) >= 5;
}

// Fills rows firstRow .. firstRow + rowCount - 1 (counted from the top) of the upright picture
// of a 24-bit `image`, as blue, green, red with zero filler up to rowSize, into `out` with the
// last of them first, as a bottom-up .bmp stores them.
void putUprightBgrRows(const RasterImage& image, int orientation, int firstRow, int rowCount,
                       std::uint8_t* out, std::size_t rowSize);

}  // namespace zendavo
