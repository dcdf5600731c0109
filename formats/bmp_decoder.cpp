#include "formats/bmp_decoder.h"

#include <algorithm>
#include <new>
#include <vector>

#include "formats/byte_order.h"
#include "formats/image_limits.h"
#include "formats/red_blue_swap.h"
#include "imaging/bmp_buffer.h"

namespace zendavo {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoFieldsNeeded = 20;  // up to and including biCompression
constexpr std::size_t kChunkBytes = 1 << 20;

}  // namespace

bool BmpDecoder::start()
{
    std::uint8_t fileHeader[kFileHeaderSize];
    if (!readExactly(file_.get(), fileHeader, sizeof fileHeader)) return false;
    if (fileHeader[0] != 'B' || (fileHeader[1] != 'M' && fileHeader[1] != 'A')) return false;
    pixelOffset_ = le32(fileHeader + 10);
    if (pixelOffset_ < kFileHeaderSize + kCoreHeaderSize) return false;
    const std::uint32_t blockSize = pixelOffset_ - kFileHeaderSize;

    std::uint8_t block[kInfoFieldsNeeded] = {};
    const std::size_t wanted = std::min<std::size_t>(blockSize, sizeof block);
    if (!readExactly(file_.get(), block, wanted)) return false;
    int bitCount = 0;
    std::int64_t width = 0, height = 0;
    if (le32(block) == kCoreHeaderSize) {
        width = le16(block + 4);
        height = le16(block + 6);
        bitCount = le16(block + 10);
        topDown_ = false;
    } else {
        if (blockSize < kInfoFieldsNeeded) return false;
        const auto storedWidth = static_cast<std::int32_t>(le32(block + 4));
        const auto storedHeight = static_cast<std::int32_t>(le32(block + 8));
        const std::uint32_t compression = le32(block + 16);
        if (storedWidth < 1 || storedHeight == 0 || compression > 3) return false;
        width = storedWidth;
        height = storedHeight < 0 ? -std::int64_t{storedHeight} : storedHeight;
        topDown_ = storedHeight < 0;
        bitCount = le16(block + 14);
    }
    if (bitCount != 24 || !withinImageLimits(width, height)) return false;
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    return true;
}

bool BmpDecoder::decode(RasterImage& target)
{
    const std::int64_t rowBytes = bmpStride(width_);
    const std::int64_t height = height_;
    const std::int64_t length = fileLength(file_.get());
    // A file too short for its rows fails here, before the picture is allocated.
    bool ok = length >= pixelOffset_ + rowBytes * height &&
              std::fseek(file_.get(), static_cast<long>(pixelOffset_), SEEK_SET) == 0 &&
              target.create(width_, height_, 24);
    try {
        const std::int64_t rowsPerChunk = std::max<std::int64_t>(1, kChunkBytes / rowBytes);
        std::vector<std::uint8_t> chunk(
            ok ? static_cast<std::size_t>(rowBytes * std::min(rowsPerChunk, height)) : 0);
        for (std::int64_t k = 0; ok && k < height; k += rowsPerChunk) {
            const std::int64_t rows = std::min(rowsPerChunk, height - k);
            ok = readExactly(file_.get(), chunk.data(), static_cast<std::size_t>(rows * rowBytes));
            for (std::int64_t j = 0; ok && j < rows; ++j) {
                const std::int64_t stored = k + j;
                const auto imageRow = static_cast<int>(topDown_ ? stored : height - 1 - stored);
                swapRedBlue(chunk.data() + j * rowBytes, target.row(imageRow),
                            static_cast<std::size_t>(width_));
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    return ok;
}

void BmpDecoder::finish()
{
    pixelOffset_ = 0;
    topDown_ = false;
}

}  // namespace zendavo
