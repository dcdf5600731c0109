#include "platform/display_check.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace zendavo {
namespace {

// Sets the display variables for one test and puts the old values back afterwards.
class DisplayEnvironment : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_[index(name)] = value ? std::optional<std::string>(value) : std::nullopt;
            ::unsetenv(name);
        }
    }
    void TearDown() override
    {
        for (const char* name : kNames) {
            const auto& value = saved_[index(name)];
            value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
        }
    }
    static void set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

private:
    static constexpr const char* kNames[] = {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY",
                                             "XDG_RUNTIME_DIR"};
    static std::size_t index(const char* name)
    {
        for (std::size_t k = 0; k < std::size(kNames); ++k)
            if (std::strcmp(kNames[k], name) == 0) return k;
        return 0;
    }
    std::optional<std::string> saved_[std::size(kNames)];
};

int unusedDisplayNumber() { return 4000 + static_cast<int>(::getpid() % 2000); }

std::string displayName(const char* prefix, int number, const char* suffix = "")
{
    std::string name(prefix);
    name.append(std::to_string(number)).append(suffix);
    return name;
}

// A stand-in X server: something listening where local display `number` would listen.
class FakeXServer {
public:
    explicit FakeXServer(int number)
    {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const std::string path = displayName("/tmp/.X11-unix/X", number);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + 1, path.data(), path.size());  // abstract namespace
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
        listening_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
                     ::listen(fd_, 4) == 0;
    }
    ~FakeXServer() { ::close(fd_); }
    bool listening() const { return listening_; }

private:
    int fd_ = -1;
    bool listening_ = false;
};


TEST_F(DisplayEnvironment, NothingSetIsNoDisplay) { EXPECT_FALSE(displayReachable()); }

TEST_F(DisplayEnvironment, AnExplicitPlatformIsTrusted)
{
    set("QT_QPA_PLATFORM", "offscreen");
    EXPECT_TRUE(displayReachable());
}

TEST_F(DisplayEnvironment, LocalX11DisplaysMustAnswer)
{
    const int number = unusedDisplayNumber();
    const std::pair<std::string, bool> withoutServer[] = {
        {displayName(":", number), false},
        {displayName(":", number, ".0"), false},
        {displayName("unix:", number), false},
        {":", false},
        {":abc", false},
        {"nonsense", false},
        {"remotehost:10.0", true},  // forwarded displays are not probed
    };
    for (const auto& [display, reachable] : withoutServer) {
        set("DISPLAY", display);
        EXPECT_EQ(displayReachable(), reachable) << display;
    }

    const FakeXServer server(number);
    ASSERT_TRUE(server.listening());
    for (const std::string& display : {displayName(":", number), displayName(":", number, ".0")}) {
        set("DISPLAY", display);
        EXPECT_TRUE(displayReachable()) << display;
    }
}

TEST_F(DisplayEnvironment, WaylandNeedsItsSocket)
{
    const std::filesystem::path runtime =
        std::filesystem::temp_directory_path() / ("zendavo-wayland-" + std::to_string(::getpid()));
    std::filesystem::create_directories(runtime);
    set("XDG_RUNTIME_DIR", runtime.native());
    set("WAYLAND_DISPLAY", "wayland-7");
    EXPECT_FALSE(displayReachable());
    std::ofstream(runtime / "wayland-7").put('x');
    EXPECT_TRUE(displayReachable());
    set("WAYLAND_DISPLAY", (runtime / "wayland-7").native());
    EXPECT_TRUE(displayReachable());
    std::filesystem::remove_all(runtime);
}

}  // namespace
}  // namespace zendavo
