// Numbers to text and back, as the windows show and read them.
#pragma once

#include <string>
#include <string_view>

namespace zendavo {

// At most 13 significant digits and no trailing zeros ("%.13g"): 1.03 gives "1.03".
std::string formatNumber(double value);

// Full-width forms (U+FF01..U+FF5E) and the ideographic space read as ASCII; then leading
// white space is skipped and the longest decimal floating-point prefix is read; none gives 0.
double textToNumber(std::string_view text);

// textToNumber truncated toward zero and saturated to the range of int.
int textToInt(std::string_view text);

}  // namespace zendavo
