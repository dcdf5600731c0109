#include "formats/bmp_writer.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "formats/byte_order.h"
#include "formats/large_buffer.h"
#include "formats/orientation.h"

namespace zendavo {
namespace {

// Rows are gathered into blocks of about this size so the file is written in a few large calls.
constexpr std::size_t kBlockBytes = 4 << 20;

}  // namespace

void putBmpHeaders(std::span<std::uint8_t, kBmpHeaderSize> at, int width, int height)
{
    std::fill(at.begin(), at.end(), std::uint8_t{0});
    const std::size_t pixelBytes = bmpRowSize(width) * static_cast<std::size_t>(height);
    at[0] = 'B';
    at[1] = 'M';
    putLe32(&at[2], static_cast<std::uint32_t>(kBmpHeaderSize + pixelBytes));
    putLe32(&at[10], kBmpHeaderSize);
    putLe32(&at[14], 40);
    putLe32(&at[18], static_cast<std::uint32_t>(width));
    putLe32(&at[22], static_cast<std::uint32_t>(height));
    putLe16(&at[26], 1);
    putLe16(&at[28], 24);
}

bool BmpWriter::open(const std::filesystem::path& path, const RasterImage& image, int bitCount,
                     int orientation)
{
    close();
    if (image.empty() || image.width() < 1 || image.height() < 1 || bitCount != 24 ||
        image.bitsPerPixel() != 24 || !file_.open(path))
        return false;
    image_ = &image;
    orientation_ = validOrientation(orientation);
    return true;
}

bool BmpWriter::write()
{
    if (!image_ || !file_.isOpen()) return false;
    const RasterImage& image = *image_;
    const bool sideways = turnsSideways(orientation_);
    const int width = sideways ? image.height() : image.width();
    const int height = sideways ? image.width() : image.height();
    const std::size_t rowSize = bmpRowSize(width);
    const std::size_t rowsPerBlock = std::max<std::size_t>(1, kBlockBytes / rowSize);
    bool ok = true;
    try {
        std::array<std::uint8_t, kBmpHeaderSize> headers{};
        putBmpHeaders(headers, width, height);
        ok = file_.write(headers);
        std::vector<std::uint8_t> block;
        resizeLargeBuffer(block, rowSize * std::min<std::size_t>(rowsPerBlock, height));
        // Stored rows run from the bottom of the picture to the top.
        for (int done = 0; ok && done < height;) {
            const int rows = static_cast<int>(std::min<std::size_t>(rowsPerBlock, height - done));
            putUprightBgrRows(image, orientation_, height - done - rows, rows, block.data(),
                              rowSize);
            ok = file_.write(std::span(block.data(), rows * rowSize));
            done += rows;
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    ok = ok && file_.commit();
    close();
    return ok;
}

void BmpWriter::close()
{
    file_.abandon();
    image_ = nullptr;
    orientation_ = 1;
}

}  // namespace zendavo
