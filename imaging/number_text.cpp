#include "imaging/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace zendavo {
namespace {

// Full-width ASCII forms and the ideographic space replaced by their ASCII counterparts.
std::string foldFullWidth(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (i + 2 < text.size() && (b0 == 0xEF || b0 == 0xE3)) {
            const unsigned code = (b0 & 0x0Fu) << 12 |
                                  (static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6 |
                                  (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            const bool continuation = (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80 &&
                                      (static_cast<unsigned char>(text[i + 2]) & 0xC0) == 0x80;
            if (continuation && code >= 0xFF01 && code <= 0xFF5E) {
                out += static_cast<char>(code - 0xFF01 + 0x21);
                i += 2;
                continue;
            }
            if (continuation && code == 0x3000) {
                out += ' ';
                i += 2;
                continue;
            }
        }
        out += static_cast<char>(b0);
    }
    return out;
}

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string formatNumber(double value)
{
    // to_chars is "%.13g" in the C locale, whatever locale the toolkit has set.
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 13);
    return error == std::errc{} ? std::string(text, end) : std::string{};
}

double textToNumber(std::string_view text)
{
    const std::string folded = foldFullWidth(text);
    const char* p = folded.data();
    const char* end = p + folded.size();
    while (p < end && isSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    // Decimal notation only: no hexadecimal, infinity or NaN.
    const bool digitAhead = p < end && (isDigit(*p) || (*p == '.' && p + 1 < end && isDigit(p[1])));
    if (!digitAhead) return 0.0;

    double value = 0.0;
    const auto [next, error] = std::from_chars(p, end, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Too large saturates; too small underflows to zero.
        const std::string_view literal(p, static_cast<std::size_t>(next - p));
        const auto e = literal.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < literal.size() && literal[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (error != std::errc{}) {
        return 0.0;
    }
    return negative ? -value : value;
}

int textToInt(std::string_view text)
{
    const double value = std::trunc(textToNumber(text));
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

}  // namespace zendavo
