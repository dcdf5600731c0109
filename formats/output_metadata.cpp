#include "formats/output_metadata.h"

#include <algorithm>
#include <array>

#include "formats/exif_block.h"

namespace zendavo {

bool isRgbIccProfile(std::span<const std::uint8_t> icc)
{
    // ICC header: data colour space signature at 16, "acsp" at 36, 128 bytes in all.
    constexpr std::size_t kHeaderSize = 128;
    constexpr std::array<std::uint8_t, 4> kRgb{'R', 'G', 'B', ' '};
    constexpr std::array<std::uint8_t, 4> kAcsp{'a', 'c', 's', 'p'};
    return icc.size() >= kHeaderSize && std::equal(kRgb.begin(), kRgb.end(), icc.begin() + 16) &&
           std::equal(kAcsp.begin(), kAcsp.end(), icc.begin() + 36);
}

OutputMetadata outputMetadata(const PictureMetadata& source, int width, int height)
{
    OutputMetadata out;
    if (!source.exif.empty()) out.exif = exifForOutput(source.exif, width, height);
    if (!source.xmp.empty()) out.xmp = xmpForOutput(source.xmp);
    out.iptc = source.iptc;
    if (isRgbIccProfile(source.icc)) out.icc = source.icc;
    out.density = source.density;
    return out;
}

}  // namespace zendavo
