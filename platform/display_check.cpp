#include "platform/display_check.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace zendavo {
namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool connectsTo(const std::string& socketPath, bool abstract)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (socketPath.size() + offset >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path + offset, socketPath.data(), socketPath.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + socketPath.size());
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return connected;
}

bool waylandReachable(const std::string& display)
{
    const std::filesystem::path socket =
        display.front() == '/' ? std::filesystem::path(display)
                               : std::filesystem::path(environment("XDG_RUNTIME_DIR")) / display;
    std::error_code ec;
    return std::filesystem::exists(socket, ec);
}

// ":0", ":1.0" and "unix:0" are local servers listening on /tmp/.X11-unix/X<n>.
bool x11Reachable(const std::string& display)
{
    const std::size_t colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    if (!host.empty() && host != "unix") return true;
    const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::string socket = "/tmp/.X11-unix/X" + number;
    return connectsTo(socket, true) || connectsTo(socket, false);
}

}  // namespace

bool displayReachable()
{
    if (!environment("QT_QPA_PLATFORM").empty()) return true;
    const std::string wayland = environment("WAYLAND_DISPLAY");
    if (!wayland.empty() && waylandReachable(wayland)) return true;
    const std::string x11 = environment("DISPLAY");
    return !x11.empty() && x11Reachable(x11);
}

}  // namespace zendavo
