#include "formats/bmp_rows.h"

#include "formats/image_limits.h"
#include "imaging/bmp_buffer.h"

namespace zendavo {

std::optional<BmpRows> bmpRows(std::span<const std::uint8_t> bmp)
{
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') return std::nullopt;
    const BmpInfo info = readBmpInfo(bmp);
    if (!isUsableBitmap(info, bmp.size()) || !withinImageLimits(info.width, info.height))
        return std::nullopt;
    return BmpRows{bmp.data() + info.pixelEnd, static_cast<std::size_t>(info.stride), info.width,
                   info.height};
}

}  // namespace zendavo
