#include "formats/rgb24.h"

#include <algorithm>

namespace zendavo {
namespace {

void paletteRow(const std::uint8_t* in, std::uint8_t* out, int width,
                const std::vector<PaletteEntry>& palette)
{
    for (int x = 0; x < width; ++x, out += 3) {
        const std::size_t index = in[x];
        const PaletteEntry entry = index < palette.size() ? palette[index] : PaletteEntry{};
        out[0] = entry.red;
        out[1] = entry.green;
        out[2] = entry.blue;
    }
}

void greyRow(const std::uint8_t* in, std::uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = in[x];
}

void argbRow(const std::uint8_t* in, std::uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        out[0] = in[1];
        out[1] = in[2];
        out[2] = in[3];
    }
}

}  // namespace

bool toRgb24(const RasterImage& source, RasterImage& target)
{
    if (source.empty() || !target.create(source.width(), source.height(), 24)) return false;
    for (int r = 0; r < source.height(); ++r) {
        const std::uint8_t* in = source.row(r);
        std::uint8_t* out = target.row(r);
        switch (source.bitsPerPixel()) {
            case 8:
                if (source.palette().empty())
                    greyRow(in, out, source.width());
                else
                    paletteRow(in, out, source.width(), source.palette());
                break;
            case 32: argbRow(in, out, source.width()); break;
            default: std::copy_n(in, source.rowBytes(), out); break;
        }
    }
    return true;
}

}  // namespace zendavo
