#include "imaging/placement.h"

namespace zendavo {
namespace {

// (A - a) / 2 truncated toward zero: the odd half pixel goes to the right or bottom gap.
std::int64_t centre(std::int64_t A, std::int64_t a) { return (A - a) / 2; }

}  // namespace

Placement computePlacement(const WatermarkSettings& settings, std::int64_t W, std::int64_t H,
                           std::int64_t w, std::int64_t h)
{
    const int position = settings.position >= 1 && settings.position <= 9 ? settings.position : 1;
    const int column = (position - 1) % 3;  // 0 left, 1 centre, 2 right
    const int row = (position - 1) / 3;     // 0 top, 1 centre, 2 bottom

    Placement p;
    p.x = column == 0 ? settings.marginX : column == 1 ? centre(W, w) : W - w - settings.marginX;
    p.y = row == 0 ? settings.marginY : row == 1 ? centre(H, h) : H - h - settings.marginY;
    return p;
}

}  // namespace zendavo
