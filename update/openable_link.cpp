// Which links from the update server may be handed to the desktop to open: web pages only.
#include "update/update_check.h"

#include <string_view>

#include "formats/ascii_case.h"

namespace zendavo {
namespace {

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c)
{
    return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// White space, control characters and the characters a URL never carries unescaped; a
// backslash is among them because browsers read it as a slash.
bool isForbidden(char c)
{
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b == 0x7F) return true;
    return std::string_view("\\\"<>^`{|}").find(c) != std::string_view::npos;
}

// A DNS name: labels of letters, digits and inner hyphens, joined by dots.
bool isHostName(std::string_view host)
{
    if (host.empty() || host.size() > 253) return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = host.find('.', start);
        const std::string_view label =
            host.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (label.empty() || label.size() > 63) return false;
        if (label.front() == '-' || label.back() == '-') return false;
        for (const char c : label)
            if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '-') return false;
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

// "[...]" holding hex digits, colons and dots (an embedded IPv4 tail), at least one colon.
bool isIpv6Literal(std::string_view host)
{
    if (host.size() < 4 || host.front() != '[' || host.back() != ']') return false;
    const std::string_view inner = host.substr(1, host.size() - 2);
    if (inner.find(':') == std::string_view::npos) return false;
    for (const char c : inner)
        if (!isHexDigit(c) && c != ':' && c != '.') return false;
    return true;
}

bool isPort(std::string_view port)
{
    if (port.empty() || port.size() > 5) return false;
    unsigned value = 0;
    for (const char c : port) {
        if (!isAsciiDigit(c)) return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value >= 1 && value <= 65535;
}

// host[:port], without user information: "https://bank.example@evil.example" is refused.
bool isAuthority(std::string_view authority)
{
    std::string_view host = authority;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) return false;
        host = authority.substr(0, close + 1);
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty() && (rest.front() != ':' || !isPort(rest.substr(1)))) return false;
        return isIpv6Literal(host);
    }
    const std::size_t colon = authority.find(':');
    if (colon != std::string_view::npos) {
        host = authority.substr(0, colon);
        if (!isPort(authority.substr(colon + 1))) return false;
    }
    return isHostName(host);
}

}  // namespace

bool isOpenableLink(const std::string& link)
{
    const std::string_view text(link);
    for (const char c : text)
        if (isForbidden(c)) return false;

    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view scheme = text.substr(0, colon);
    if (!equalIgnoringAsciiCase(scheme, "http") && !equalIgnoringAsciiCase(scheme, "https"))
        return false;
    if (text.substr(colon + 1, 2) != "//") return false;

    const std::string_view afterSlashes = text.substr(colon + 3);
    const std::size_t end = afterSlashes.find_first_of("/?#");
    return isAuthority(afterSlashes.substr(0, end));
}

}  // namespace zendavo
