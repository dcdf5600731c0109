#include "formats/bmp_writer.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "formats/byte_order.h"
#include "formats/large_buffer.h"

namespace zendavo {
namespace {

// Rows are gathered into blocks of about this size so the file is written in a few large calls.
constexpr std::size_t kBlockBytes = 4 << 20;

void rgbToBgrRow(const std::uint8_t* in, std::uint8_t* out, int width, std::size_t rowSize)
{
    for (int x = 0; x < width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    }
    std::fill(out, out + (rowSize - 3 * static_cast<std::size_t>(width)), std::uint8_t{0});
}

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

bool BmpWriter::open(const std::filesystem::path& path, const RasterImage& image, int bitCount)
{
    close();
    if (image.empty() || image.width() < 1 || image.height() < 1 || bitCount != 24 ||
        image.bitsPerPixel() != 24 || !file_.open(path))
        return false;
    image_ = &image;
    return true;
}

bool BmpWriter::write()
{
    if (!image_ || !file_.isOpen()) return false;
    const RasterImage& image = *image_;
    const std::size_t rowSize = bmpRowSize(image.width());
    const std::size_t rowsPerBlock = std::max<std::size_t>(1, kBlockBytes / rowSize);
    bool ok = true;
    try {
        std::array<std::uint8_t, kBmpHeaderSize> headers{};
        putBmpHeaders(headers, image.width(), image.height());
        ok = file_.write(headers);
        std::vector<std::uint8_t> block;
        resizeLargeBuffer(block, rowSize * std::min<std::size_t>(rowsPerBlock, image.height()));
        // Stored rows run from the bottom of the picture to the top.
        for (int done = 0; ok && done < image.height();) {
            const int rows =
                static_cast<int>(std::min<std::size_t>(rowsPerBlock, image.height() - done));
            for (int k = 0; k < rows; ++k)
                rgbToBgrRow(image.row(image.height() - 1 - (done + k)), block.data() + k * rowSize,
                            image.width(), rowSize);
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
}

}  // namespace zendavo
