// Reading and rewriting the EXIF and XMP blocks a photo carries, through exiv2. Nothing here
// throws: a block exiv2 cannot parse counts as absent.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zendavo {

// IFD0's Orientation, 1 to 8; 1 when the tag is absent, out of range or the block unreadable.
int exifOrientation(std::span<const std::uint8_t> exifTiff);

// The block for an output of width x height: Orientation 1, PixelXDimension/PixelYDimension set
// to the output's size where present, the thumbnail (IFD1 and its JPEG) removed. Empty when the
// block cannot be parsed, so nothing is carried.
std::vector<std::uint8_t> exifForOutput(std::span<const std::uint8_t> exifTiff, int width,
                                        int height);

// The packet with tiff:Orientation 1 where present; "" when it cannot be parsed.
std::string xmpForOutput(const std::string& xmp);

}  // namespace zendavo
