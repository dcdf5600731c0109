// The ten watermark slots' names as the run shows and writes them.
#pragma once

#include <string>

namespace zendavo {

inline constexpr int kSlotCount = 10;

// "水印N": the output folder of slot N.
std::string slotFolderName(int slot);

// "水印N制作中...": the status line during slot N's pass.
std::string slotStatusText(int slot);

}  // namespace zendavo
