// Where watermarks go: one of nine positions and the two margins, held in memory only.
#pragma once

namespace zendavo {

struct WatermarkSettings {
    int position = 9;  // 1 top left ... 9 bottom right, row by row
    int marginX = 20;  // pixels from the left or right edge, 0 to 1000
    int marginY = 10;  // pixels from the top or bottom edge, 0 to 1000
};

}  // namespace zendavo
