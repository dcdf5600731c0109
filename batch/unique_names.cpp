#include "batch/unique_names.h"

#include "formats/ascii_case.h"

namespace zendavo {

std::string numberedName(std::string_view name, int number)
{
    // A leading dot starts a hidden name, not an extension.
    const std::size_t dot = name.rfind('.');
    const std::size_t cut = (dot == std::string_view::npos || dot == 0) ? name.size() : dot;
    std::string result(name.substr(0, cut));
    result += " (" + std::to_string(number) + ")";
    result += name.substr(cut);
    return result;
}

std::string UniqueNames::claim(std::string_view name)
{
    std::string candidate(name);
    for (int number = 2; !taken_.insert(lowerAscii(candidate)).second; ++number)
        candidate = numberedName(name, number);
    return candidate;
}

}  // namespace zendavo
