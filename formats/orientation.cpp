#include "formats/orientation.h"

#include <algorithm>
#include <cstring>

#include "formats/red_blue_swap.h"

namespace zendavo {
namespace {

// Sideways pictures are copied in square tiles so reads and writes both stay in the cache.
constexpr int kTile = 32;

void mirroredBgr(const std::uint8_t* in, std::uint8_t* out, int width)
{
    const std::uint8_t* p = in + 3 * static_cast<std::size_t>(width - 1);
    for (int x = 0; x < width; ++x, p -= 3, out += 3) {
        out[0] = p[2];
        out[1] = p[1];
        out[2] = p[0];
    }
}

// Output row y is stored column sx (y itself, or counted from the right when mirrored);
// output column x is stored row x, or counted from the bottom when flipped.
template <bool kMirrored, bool kFlipped>
void sidewaysRows(const RasterImage& image, int firstRow, int rowCount, std::uint8_t* out,
                  std::size_t rowSize)
{
    const int storedWidth = image.width();
    const int storedHeight = image.height();
    const int outWidth = storedHeight;
    auto outRow = [&](int y) {
        return out + static_cast<std::size_t>(firstRow + rowCount - 1 - y) * rowSize;
    };
    for (int ty = firstRow; ty < firstRow + rowCount; ty += kTile) {
        const int yEnd = std::min(ty + kTile, firstRow + rowCount);
        for (int tx = 0; tx < outWidth; tx += kTile) {
            const int xEnd = std::min(tx + kTile, outWidth);
            for (int x = tx; x < xEnd; ++x) {
                const std::uint8_t* stored = image.row(kFlipped ? storedHeight - 1 - x : x);
                for (int y = ty; y < yEnd; ++y) {
                    const std::uint8_t* p =
                        stored + 3 * static_cast<std::size_t>(kMirrored ? storedWidth - 1 - y : y);
                    std::uint8_t* o = outRow(y) + 3 * static_cast<std::size_t>(x);
                    o[0] = p[2];
                    o[1] = p[1];
                    o[2] = p[0];
                }
            }
        }
    }
}

}  // namespace

void putUprightBgrRows(const RasterImage& image, int orientation, int firstRow, int rowCount,
                       std::uint8_t* out, std::size_t rowSize)
{
    const int o = validOrientation(orientation);
    const int width = turnsSideways(o) ? image.height() : image.width();
    const std::size_t pixelBytes = 3 * static_cast<std::size_t>(width);
    switch (o) {
        case 5: sidewaysRows<false, false>(image, firstRow, rowCount, out, rowSize); break;
        case 6: sidewaysRows<false, true>(image, firstRow, rowCount, out, rowSize); break;
        case 7: sidewaysRows<true, true>(image, firstRow, rowCount, out, rowSize); break;
        case 8: sidewaysRows<true, false>(image, firstRow, rowCount, out, rowSize); break;
        default:
            for (int k = 0; k < rowCount; ++k) {
                const int y = firstRow + rowCount - 1 - k;
                const bool flipped = o == 3 || o == 4;
                const std::uint8_t* in = image.row(flipped ? image.height() - 1 - y : y);
                std::uint8_t* row = out + static_cast<std::size_t>(k) * rowSize;
                if (o == 2 || o == 3)
                    mirroredBgr(in, row, width);
                else
                    swapRedBlue(in, row, static_cast<std::size_t>(width));
            }
            break;
    }
    for (int k = 0; k < rowCount; ++k)
        std::memset(out + static_cast<std::size_t>(k) * rowSize + pixelBytes, 0,
                    rowSize - pixelBytes);
}

}  // namespace zendavo
