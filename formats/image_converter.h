// Converts a picture file, recognised by content, into a 24-bit .bmp file, turned upright as
// its EXIF orientation says, with transparency laid over white.
#pragma once

#include <filesystem>
#include <optional>

#include "formats/convert_status.h"
#include "formats/decode_warning.h"
#include "formats/picture_metadata.h"

namespace zendavo {

// What a conversion found besides the pixels.
struct ConvertDetails {
    PictureMetadata metadata;  // to carry into outputs (a CMYK profile is not carried)
    int orientation = 1;       // what the file said; the working copy is already upright
    DecodeWarning warning = DecodeWarning::None;
};

// An absent path (std::nullopt) gives MissingPath; an empty path is a present path. The
// destination is replaced only by a complete file.
ConvertStatus convertToBmp(const std::optional<std::filesystem::path>& source,
                           const std::optional<std::filesystem::path>& destination);
ConvertStatus convertToBmp(const std::optional<std::filesystem::path>& source,
                           const std::optional<std::filesystem::path>& destination,
                           ConvertDetails& details);

}  // namespace zendavo
