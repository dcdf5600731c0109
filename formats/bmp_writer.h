// Writes a 24-bit RasterImage as an uncompressed .bmp: the 54-byte headers, then the rows
// bottom-up as blue, green, red, each padded with zeros to a multiple of 4 bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "formats/atomic_file.h"
#include "formats/raster_image.h"
#include "imaging/bmp_buffer.h"

namespace zendavo {

inline constexpr std::size_t kBmpHeaderSize = 54;

constexpr std::size_t bmpRowSize(std::int64_t width)
{
    return static_cast<std::size_t>(bmpStride(width));
}

// The file and information headers of a width x height 24-bit bottom-up file.
void putBmpHeaders(std::span<std::uint8_t, kBmpHeaderSize> at, int width, int height);

class BmpWriter {
public:
    // Starts the file (under a temporary name until write completes it); the picture is written
    // turned upright as `orientation` (1 to 8) says. False for an image below 1 x 1, a bit count
    // other than 24 or a destination that cannot be created.
    bool open(const std::filesystem::path& path, const RasterImage& image, int bitCount,
              int orientation = 1);
    // Writes the whole file and puts it in place; closes either way.
    bool write();
    // Drops an unfinished file; the destination is left as it was.
    void close();

private:
    AtomicFile file_{Durability::Scratch};  // it writes working copies only
    const RasterImage* image_ = nullptr;
    int orientation_ = 1;
};

}  // namespace zendavo
