// Converts a picture file, recognised by content, into a 24-bit .bmp file.
#pragma once

#include <filesystem>
#include <optional>

#include "formats/convert_status.h"

namespace zendavo {

// An absent path (std::nullopt) gives MissingPath; an empty path is a present path. The
// destination is replaced only by a complete file.
ConvertStatus convertToBmp(const std::optional<std::filesystem::path>& source,
                           const std::optional<std::filesystem::path>& destination);

}  // namespace zendavo
