#include "imaging/compositor.h"

#include <algorithm>

#include "imaging/placement.h"

namespace zendavo {
namespace {

// floor(p / 255) for every product p of two bytes (p <= 65025), in 16 bits so loops vectorise.
inline std::uint8_t divideBy255(std::uint16_t p)
{
    return static_cast<std::uint8_t>((p + 1 + (p >> 8)) >> 8);
}

// A white pixel multiplied in leaves the source as it is, so with the white key every byte
// can be multiplied without looking at pixels.
void multiplyAll(std::uint8_t* out, const std::uint8_t* mark, std::int64_t byteCount)
{
    for (std::int64_t k = 0; k < byteCount; ++k)
        out[k] = divideBy255(static_cast<std::uint16_t>(mark[k] * out[k]));
}

void multiplyUnlessKey(std::uint8_t* out, const std::uint8_t* mark, std::int64_t pixelCount,
                       ColourValue keyColour)
{
    for (std::int64_t i = 0; i < pixelCount; ++i, out += 3, mark += 3) {
        if (colourOfBgr(mark[0], mark[1], mark[2]) == keyColour) continue;
        for (int k = 0; k < 3; ++k)
            out[k] = divideBy255(static_cast<std::uint16_t>(mark[k] * out[k]));
    }
}

// m = floor(w * s / 255) mixed with s by the opacity. A white pixel gives m = s, so it changes
// nothing here either. The sum stays below 2^16, so this vectorises like multiplyAll.
inline std::uint8_t blend(std::uint8_t mark, std::uint8_t source, std::uint16_t opacity)
{
    const std::uint16_t m = divideBy255(static_cast<std::uint16_t>(mark * source));
    return static_cast<std::uint8_t>(
        (source * (kFullOpacity - opacity) + m * opacity + kFullOpacity / 2) / kFullOpacity);
}

void blendAll(std::uint8_t* out, const std::uint8_t* mark, std::int64_t byteCount, std::uint16_t opacity)
{
    for (std::int64_t k = 0; k < byteCount; ++k) out[k] = blend(mark[k], out[k], opacity);
}

void blendUnlessKey(std::uint8_t* out, const std::uint8_t* mark, std::int64_t pixelCount,
                    ColourValue keyColour, std::uint16_t opacity)
{
    for (std::int64_t i = 0; i < pixelCount; ++i, out += 3, mark += 3) {
        if (colourOfBgr(mark[0], mark[1], mark[2]) == keyColour) continue;
        for (int k = 0; k < 3; ++k) out[k] = blend(mark[k], out[k], opacity);
    }
}

}  // namespace

bool compositeInPlace(BmpBuffer& picture, const BmpBuffer& watermark,
                      const WatermarkSettings& settings, const SizeWarningHandler& onSizeWarning,
                      ColourValue keyColour, int opacity)
{
    const BmpInfo src = readBmpInfo(picture.bytes);
    const BmpInfo mark = readBmpInfo(watermark.bytes);
    if (!isUsableBitmap(src, picture.size()) || !isUsableBitmap(mark, watermark.size()))
        return false;

    const std::int64_t W = src.width, H = src.height, w = mark.width, h = mark.height;
    const Placement at = computePlacement(settings, W, H, w, h);
    if (H < h && onSizeWarning) onSizeWarning(SizeWarning::TallerThanPicture);
    if (W < w && onSizeWarning) onSizeWarning(SizeWarning::WiderThanPicture);

    // Watermark column i lands on source column at.x + i; keep the part that overlaps.
    const std::int64_t firstColumn = std::max<std::int64_t>(0, -at.x);
    const std::int64_t endColumn = std::min(w, W - at.x);
    const std::int64_t firstRow = std::max<std::int64_t>(0, -at.y);
    const std::int64_t endRow = std::min(h, H - at.y);
    if (firstColumn >= endColumn || firstRow >= endRow) return true;

    const std::int64_t pixelCount = endColumn - firstColumn;
    if (opacity < kFullOpacity) {
        // Its own loop, so the full-opacity loop below stays exactly as fast as it was.
        const auto partial = static_cast<std::uint16_t>(std::max(opacity, 1));
        for (std::int64_t r = firstRow; r < endRow; ++r) {
            std::uint8_t* out = picture.bytes.data() + pixelIndex(src, at.x + firstColumn, at.y + r);
            const std::uint8_t* in = watermark.bytes.data() + pixelIndex(mark, firstColumn, r);
            if (keyColour == kWhite)
                blendAll(out, in, 3 * pixelCount, partial);
            else
                blendUnlessKey(out, in, pixelCount, keyColour, partial);
        }
        return true;
    }
    for (std::int64_t r = firstRow; r < endRow; ++r) {
        std::uint8_t* out = picture.bytes.data() + pixelIndex(src, at.x + firstColumn, at.y + r);
        const std::uint8_t* in = watermark.bytes.data() + pixelIndex(mark, firstColumn, r);
        if (keyColour == kWhite)
            multiplyAll(out, in, 3 * pixelCount);
        else
            multiplyUnlessKey(out, in, pixelCount, keyColour);
    }
    return true;
}

BmpBuffer composite(const BmpBuffer& source, const BmpBuffer& watermark,
                    const WatermarkSettings& settings, const SizeWarningHandler& onSizeWarning,
                    ColourValue keyColour)
{
    if (!isUsableBitmap(readBmpInfo(source.bytes), source.size()) ||
        !isUsableBitmap(readBmpInfo(watermark.bytes), watermark.size()))
        return {};
    BmpBuffer result = source;
    compositeInPlace(result, watermark, settings, onSizeWarning, keyColour);
    return result;
}

}  // namespace zendavo
