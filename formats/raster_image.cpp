#include "formats/raster_image.h"

#include <new>

#include "formats/image_limits.h"
#include "formats/large_buffer.h"

namespace zendavo {

bool RasterImage::create(std::int64_t width, std::int64_t height, int bitsPerPixel)
{
    clear();
    if (!withinImageLimits(width, height)) return false;
    if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32) return false;
    const auto rowBytes =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel / 8);
    try {
        resizeLargeBuffer(pixels_, rowBytes * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    bitsPerPixel_ = bitsPerPixel;
    rowBytes_ = rowBytes;
    return true;
}

void RasterImage::clear()
{
    // Swap with an empty vector so the storage is really given back.
    std::vector<std::uint8_t>().swap(pixels_);
    palette_.clear();
    width_ = height_ = bitsPerPixel_ = 0;
    rowBytes_ = 0;
}

bool RasterImage::setPalette(std::vector<PaletteEntry> entries)
{
    if (entries.size() > kMaxPaletteEntries) return false;
    palette_ = std::move(entries);
    return true;
}

}  // namespace zendavo
