// The metadata blocks one output file carries, already rewritten for it: EXIF and XMP say the
// picture is upright and give its new size, blocks too damaged to parse are left out.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/picture_metadata.h"

namespace zendavo {

struct OutputMetadata {
    std::vector<std::uint8_t> exif;      // TIFF structure, no "Exif\0\0"; empty: none
    std::string xmp;                     // empty: none
    std::span<const std::uint8_t> iptc;  // the source's APP13 payload
    std::span<const std::uint8_t> icc;   // only an RGB profile, which fits the RGB output
    std::optional<Density> density;
};

// `source` must outlive the result, whose iptc and icc point into it.
OutputMetadata outputMetadata(const PictureMetadata& source, int width, int height);

// True for an ICC profile whose data colour space is RGB.
bool isRgbIccProfile(std::span<const std::uint8_t> icc);

}  // namespace zendavo
