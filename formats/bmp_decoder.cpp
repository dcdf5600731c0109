#include "formats/bmp_decoder.h"

#include <algorithm>
#include <new>
#include <vector>

#include "formats/byte_order.h"
#include "formats/image_limits.h"

namespace zendavo {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoFieldsNeeded = 20;  // up to and including biCompression
constexpr std::size_t kChunkBytes = 1 << 20;

std::int64_t storedRowBytes(std::int64_t width)
{
    return (width * 24 + 31) / 32 * 4;
}

void bgrToRgb(const std::uint8_t* in, std::uint8_t* out, std::int64_t width)
{
    for (std::int64_t x = 0; x < width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    }
}

}  // namespace

bool BmpDecoder::readHeader()
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
    if (le32(block) == kCoreHeaderSize) {
        width_ = le16(block + 4);
        height_ = le16(block + 6);
        bitCount = le16(block + 10);
        topDown_ = false;
    } else {
        if (blockSize < kInfoFieldsNeeded) return false;
        const auto width = static_cast<std::int32_t>(le32(block + 4));
        const auto height = static_cast<std::int32_t>(le32(block + 8));
        const std::uint32_t compression = le32(block + 16);
        if (width < 1 || height == 0 || compression > 3) return false;
        width_ = width;
        height_ = height < 0 ? -std::int64_t{height} : height;
        topDown_ = height < 0;
        bitCount = le16(block + 14);
    }
    return bitCount == 24 && withinImageLimits(width_, height_);
}

bool BmpDecoder::read()
{
    if (!file_ || !target_) return false;
    const std::int64_t rowBytes = storedRowBytes(width_);
    const std::int64_t length = fileLength(file_.get());
    // A file too short for its rows fails here, before the picture is allocated.
    bool ok = length >= pixelOffset_ + rowBytes * height_ &&
              std::fseek(file_.get(), static_cast<long>(pixelOffset_), SEEK_SET) == 0 &&
              target_->create(width_, height_, 24);
    try {
        const std::int64_t rowsPerChunk = std::max<std::int64_t>(1, kChunkBytes / rowBytes);
        std::vector<std::uint8_t> chunk(
            ok ? static_cast<std::size_t>(rowBytes * std::min(rowsPerChunk, height_)) : 0);
        for (std::int64_t k = 0; ok && k < height_; k += rowsPerChunk) {
            const std::int64_t rows = std::min(rowsPerChunk, height_ - k);
            ok = readExactly(file_.get(), chunk.data(), static_cast<std::size_t>(rows * rowBytes));
            for (std::int64_t j = 0; ok && j < rows; ++j) {
                const std::int64_t stored = k + j;
                const auto imageRow = static_cast<int>(topDown_ ? stored : height_ - 1 - stored);
                bgrToRgb(chunk.data() + j * rowBytes, target_->row(imageRow), width_);
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    close();
    return ok;
}

void BmpDecoder::close()
{
    file_.reset();
    target_ = nullptr;
    width_ = height_ = 0;
    pixelOffset_ = 0;
    topDown_ = false;
}

}  // namespace zendavo
