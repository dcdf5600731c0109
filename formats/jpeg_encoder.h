// JPEG compression of a bottom-up 24-bit .bmp straight from its buffer, at libjpeg's defaults
// (baseline, 4:2:0) and the given quality, or with a source photo's own tables and sampling.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/bmp_rows.h"
#include "formats/output_metadata.h"
#include "formats/picture_metadata.h"

namespace zendavo {

inline constexpr int kDefaultJpegQuality = 75;

struct JpegSettings {
    int quality = kDefaultJpegQuality;  // clamped to 1..100
    // The source's quantization tables (and its sampling factors where an output can take
    // them) instead of quality; ignored, for quality, when they do not fit a colour output.
    const JpegCompression* sourceCompression = nullptr;
};

// False when libjpeg fails or the output cannot be stored. metadata, when given, is written as
// APP1 Exif, APP1 XMP, APP2 ICC and APP13 after the JFIF header, which takes its density;
// a block too large for its marker is left out.
bool encodeJpeg(const BmpRows& rows, const JpegSettings& settings, const OutputMetadata* metadata,
                std::vector<std::uint8_t>& encoded);

}  // namespace zendavo
