#include "imaging/watermark_scaling.h"

#include <stb/stb_image_resize.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace zendavo {
namespace {

constexpr int kFilterSupport = 2;  // of both filters, in output pixels when enlarging

void putLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t k = 0; k < 4; ++k) bytes[offset + k] = static_cast<std::uint8_t>(value >> (8 * k));
}

// The input range [first, last] that can reach each output position along one axis, widened
// by a pixel so that it always covers the filter's support.
struct Reach {
    std::vector<int> first;
    std::vector<int> last;
};

Reach reachOf(int inputSize, int outputSize)
{
    const double ratio = static_cast<double>(inputSize) / outputSize;
    const double radius = kFilterSupport * std::max(1.0, ratio) + 1;
    Reach reach;
    reach.first.resize(static_cast<std::size_t>(outputSize));
    reach.last.resize(static_cast<std::size_t>(outputSize));
    for (int o = 0; o < outputSize; ++o) {
        const double centre = (o + 0.5) * ratio - 0.5;
        reach.first[static_cast<std::size_t>(o)] =
            std::clamp(static_cast<int>(std::floor(centre - radius)), 0, inputSize - 1);
        reach.last[static_cast<std::size_t>(o)] =
            std::clamp(static_cast<int>(std::ceil(centre + radius)), 0, inputSize - 1);
    }
    return reach;
}

// Counts of non-white pixels over every top-left rectangle, rows counted from the top.
class NonWhiteCounts {
public:
    explicit NonWhiteCounts(const BmpBuffer& picture)
    {
        const BmpInfo info = readBmpInfo(picture.bytes);
        width_ = info.width;
        sums_.assign(static_cast<std::size_t>(info.width + 1) * static_cast<std::size_t>(info.height + 1), 0);
        for (int r = 0; r < info.height; ++r) {
            const std::uint8_t* row = picture.bytes.data() + pixelIndex(info, 0, r);
            std::uint32_t rowCount = 0;
            for (int c = 0; c < info.width; ++c, row += 3) {
                rowCount += (row[0] & row[1] & row[2]) != 255;
                at(c + 1, r + 1) = at(c + 1, r) + rowCount;
            }
        }
    }

    bool allWhite(int firstColumn, int lastColumn, int firstRow, int lastRow) const
    {
        return at(lastColumn + 1, lastRow + 1) + at(firstColumn, firstRow) ==
               at(firstColumn, lastRow + 1) + at(lastColumn + 1, firstRow);
    }

private:
    std::uint32_t& at(int c, int r) { return sums_[index(c, r)]; }
    std::uint32_t at(int c, int r) const { return sums_[index(c, r)]; }
    std::size_t index(int c, int r) const
    {
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(width_ + 1) + static_cast<std::size_t>(c);
    }

    int width_ = 0;
    std::vector<std::uint32_t> sums_;
};

}  // namespace

ScaledSize scaledWatermarkSize(int width, int height, int photoWidth, int percent)
{
    const std::int64_t w = (std::int64_t{percent} * photoWidth + 50) / 100;
    const std::int64_t scaledWidth = std::max<std::int64_t>(1, w);
    const std::int64_t scaledHeight = width > 0 ? (2 * std::int64_t{height} * scaledWidth + width) / (2 * std::int64_t{width}) : 0;
    return {static_cast<int>(scaledWidth), static_cast<int>(std::max<std::int64_t>(1, scaledHeight))};
}

BmpBuffer resizeWatermark(const BmpBuffer& watermark, ScaledSize size)
{
    const BmpInfo in = readBmpInfo(watermark.bytes);
    if (!isUsableBitmap(in, watermark.size()) || size.width < 1 || size.height < 1) return {};

    // Same header as the original, with the new size; rows bottom-up as before.
    const std::size_t headerSize = static_cast<std::size_t>(in.pixelOffset);
    const std::int64_t stride = 3 * std::int64_t{size.width} + (size.width & 3);
    const std::size_t pixelBytes = static_cast<std::size_t>(stride * size.height);
    BmpBuffer out;
    out.bytes.assign(watermark.bytes.begin(), watermark.bytes.begin() + static_cast<std::ptrdiff_t>(headerSize));
    out.bytes.resize(headerSize + pixelBytes, 0);
    putLittleEndian(out.bytes, 2, static_cast<std::uint32_t>(out.bytes.size()));
    putLittleEndian(out.bytes, 18, static_cast<std::uint32_t>(size.width));
    putLittleEndian(out.bytes, 22, static_cast<std::uint32_t>(size.height));
    putLittleEndian(out.bytes, 34, static_cast<std::uint32_t>(pixelBytes));

    const std::uint8_t* firstStoredRow = watermark.bytes.data() + (in.pixelEnd - in.height * in.stride);
    if (!stbir_resize_uint8_generic(firstStoredRow, in.width, in.height, static_cast<int>(in.stride),
                                    out.bytes.data() + headerSize, size.width, size.height,
                                    static_cast<int>(stride), 3, STBIR_ALPHA_CHANNEL_NONE, 0,
                                    STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_LINEAR,
                                    nullptr))
        return {};

    // Float rounding or a filter's lobes must not leave a trace where the original is white.
    const BmpInfo info = readBmpInfo(out.bytes);
    const NonWhiteCounts counts(watermark);
    const Reach columns = reachOf(in.width, size.width);
    const Reach rows = reachOf(in.height, size.height);
    for (int r = 0; r < size.height; ++r) {
        // Output row r (from the top) samples the original around its row r * h / h' from the top.
        std::uint8_t* pixel = out.bytes.data() + pixelIndex(info, 0, r);
        const auto ri = static_cast<std::size_t>(r);
        for (int c = 0; c < size.width; ++c, pixel += 3) {
            const auto ci = static_cast<std::size_t>(c);
            if (counts.allWhite(columns.first[ci], columns.last[ci], rows.first[ri], rows.last[ri]))
                pixel[0] = pixel[1] = pixel[2] = 255;
        }
    }
    return out;
}

ScaledWatermarks::ScaledWatermarks(const BmpBuffer& original, int percent, std::size_t byteLimit)
    : original_(original), percent_(percent), byteLimit_(byteLimit)
{
}

std::shared_ptr<const BmpBuffer> ScaledWatermarks::forPhotoWidth(int photoWidth)
{
    const BmpInfo info = readBmpInfo(original_.bytes);
    const ScaledSize size = scaledWatermarkSize(info.width, info.height, photoWidth, percent_);
    std::shared_ptr<Entry> entry;
    {
        const std::lock_guard lock(mutex_);
        std::shared_ptr<Entry>& slot = byWidth_[photoWidth];
        if (!slot) {
            const std::size_t bytes = static_cast<std::size_t>(3 * std::int64_t{size.width} + 3) *
                                      static_cast<std::size_t>(size.height);
            while (!order_.empty() && bytes_ + bytes > byteLimit_) {
                const auto oldest = byWidth_.find(order_.front());
                bytes_ -= oldest->second->bytes;
                byWidth_.erase(oldest);
                order_.pop_front();
            }
            std::shared_ptr<Entry>& fresh = byWidth_[photoWidth];  // the map may have changed
            fresh = std::make_shared<Entry>();
            fresh->bytes = bytes;
            bytes_ += bytes;
            order_.push_back(photoWidth);
            entry = fresh;
        } else {
            entry = slot;
        }
    }
    // Other widths go on meanwhile; the same width waits for the one resampling it.
    std::call_once(entry->made, [this, &entry, size] {
        entry->picture = resizeWatermark(original_, size);
        ++resized_;
    });
    return {entry, &entry->picture};
}

std::size_t ScaledWatermarks::resizedCount() const
{
    return resized_;
}

}  // namespace zendavo
