#include "formats/pcx_decoder.h"

#include <algorithm>
#include <new>
#include <vector>

#include "formats/byte_order.h"
#include "formats/image_limits.h"

namespace zendavo {

bool decodePcxLine(std::span<const std::uint8_t> data, std::size_t& position,
                   std::span<std::uint8_t> line)
{
    std::size_t filled = 0;
    while (filled < line.size()) {
        if (position >= data.size()) return false;
        const std::uint8_t code = data[position++];
        if (code < 0xC0) {
            line[filled++] = code;
            continue;
        }
        if (position >= data.size()) return false;
        const std::uint8_t value = data[position++];
        const std::size_t run = std::min<std::size_t>(code & 0x3F, line.size() - filled);
        std::fill_n(line.begin() + static_cast<std::ptrdiff_t>(filled), run, value);
        filled += run;
    }
    return true;
}

bool PcxDecoder::start()
{
    std::uint8_t header[kHeaderSize];
    if (!readExactly(file_.get(), header, sizeof header) || header[0] != 0x0A) return false;
    const std::int64_t xMin = le16(header + 4), yMin = le16(header + 6);
    const std::int64_t xMax = le16(header + 8), yMax = le16(header + 10);
    const std::int64_t width = xMax - xMin + 1;
    const std::int64_t height = yMax - yMin + 1;
    planes_ = header[65];
    bytesPerLine_ = le16(header + 66);
    depth_ = header[3] * header[65];
    if (xMax == xMin || yMax == yMin || (depth_ != 8 && depth_ != 24)) return false;
    if (!withinImageLimits(width, height)) return false;
    // Every image row is taken from inside its decoded line (or plane, for 24 bits).
    const std::size_t reach = depth_ == 8 ? planes_ * bytesPerLine_ : bytesPerLine_;
    if (reach < static_cast<std::size_t>(width)) return false;
    // The run-length data must be able to fill every line before the picture is made.
    const std::int64_t lineBytes = static_cast<std::int64_t>(depth_ == 8 ? planes_ : 3) *
                                   static_cast<std::int64_t>(bytesPerLine_);
    const std::int64_t dataBytes = fileLength(file_.get()) - static_cast<std::int64_t>(kHeaderSize);
    if (dataBytes < 1 || lineBytes * height > kMaxSamplesPerByte * dataBytes) return false;
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    return true;
}

bool PcxDecoder::decode(RasterImage& target)
{
    try {
        return depth_ == 8 ? readIndexed(target) : readPlanes(target);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool PcxDecoder::readIndexed(RasterImage& target)
{
    const std::int64_t length = fileLength(file_.get());
    if (length < static_cast<std::int64_t>(kHeaderSize + kPaletteSize + 1)) return false;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(length) - kHeaderSize - kPaletteSize);
    std::uint8_t paletteBytes[kPaletteSize];
    if (!readExactly(file_.get(), data.data(), data.size()) ||
        !readExactly(file_.get(), paletteBytes, sizeof paletteBytes))
        return false;
    std::vector<PaletteEntry> palette(256);
    for (std::size_t k = 0; k < palette.size(); ++k)
        palette[k] = {paletteBytes[3 * k], paletteBytes[3 * k + 1], paletteBytes[3 * k + 2]};
    if (!target.create(width_, height_, 8) || !target.setPalette(std::move(palette)))
        return false;

    std::vector<std::uint8_t> line(planes_ * bytesPerLine_);
    std::size_t position = 0;
    for (int r = 0; r < height_; ++r) {
        if (!decodePcxLine(data, position, line)) return false;
        std::copy_n(line.begin(), width_, target.row(r));
    }
    return true;
}

bool PcxDecoder::readPlanes(RasterImage& target)
{
    const std::int64_t length = fileLength(file_.get());
    if (length <= static_cast<std::int64_t>(kHeaderSize)) return false;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(length) - kHeaderSize);
    if (!readExactly(file_.get(), data.data(), data.size())) return false;
    if (!target.create(width_, height_, 24)) return false;

    std::vector<std::uint8_t> line(3 * bytesPerLine_);
    const std::uint8_t* red = line.data();
    const std::uint8_t* green = red + bytesPerLine_;
    const std::uint8_t* blue = green + bytesPerLine_;
    std::size_t position = 0;
    for (int r = 0; r < height_; ++r) {
        if (!decodePcxLine(data, position, line)) return false;
        std::uint8_t* out = target.row(r);
        for (std::int64_t x = 0; x < width_; ++x, out += 3) {
            out[0] = red[x];
            out[1] = green[x];
            out[2] = blue[x];
        }
    }
    return true;
}

void PcxDecoder::finish()
{
    bytesPerLine_ = planes_ = 0;
    depth_ = 0;
}

}  // namespace zendavo
