#include "batch/slot_names.h"

namespace zendavo {

std::string slotFolderName(int slot)
{
    return "水印" + std::to_string(slot);
}

std::string slotStatusText(int slot)
{
    return slotFolderName(slot) + "制作中...";
}

}  // namespace zendavo
