#include "batch/image_names.h"

namespace zendavo {

bool isListedImageName(std::string_view name)
{
    if (name.size() < 3) return false;
    const std::string_view tail = name.substr(name.size() - 3);
    return tail == "jpg" || tail == "JPG" || tail == "png" || tail == "PNG";
}

}  // namespace zendavo
