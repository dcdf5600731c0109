// Letter case of ASCII only: bytes of 0x80 and above, GBK characters included, never change.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace zendavo {

constexpr char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string lowerAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result) c = lowerAscii(c);
    return result;
}

constexpr bool equalIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

}  // namespace zendavo
