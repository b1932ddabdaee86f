#include "platform/Display.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace velmora {
namespace {

// Sets (or with nullopt removes) an environment variable for one test and restores it afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

struct DisplayCase {
    const char* scenario;
    std::optional<std::string> display;
    std::optional<std::string> wayland; // "{socket}" stands for a listening socket
    bool available;
};

// Failures name the case by its scenario.
void PrintTo(const DisplayCase& c, std::ostream* os) {
    *os << c.scenario;
}

class DisplayAvailable : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayAvailable, OnlyWhenAConnectionOpens) {
    const DisplayCase& c = GetParam();
    test::TempDir dir;
    const std::string socketPath = dir.file("wayland-0");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 4), 0);

    std::optional<std::string> wayland = c.wayland;
    if (wayland && *wayland == "{socket}")
        wayland = socketPath;
    ScopedEnvironment x11("DISPLAY", c.display);
    ScopedEnvironment waylandDisplay("WAYLAND_DISPLAY", wayland);
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", dir.path());
    EXPECT_EQ(displayAvailable(), c.available);
    ::close(listener);
}

const DisplayCase kDisplayCases[] = {
    {"Neither", std::nullopt, std::nullopt, false},
    {"BothEmpty", "", "", false},
    // A display number with no server behind it, as under sudo or after ssh forwarding ended.
    {"X11ServerGone", ":97", std::nullopt, false},
    {"WaylandSocketMissing", std::nullopt, "wayland-9", false},
    {"WaylandSocketAbsolute", std::nullopt, "{socket}", true},
    {"WaylandSocketInRuntimeDir", std::nullopt, "wayland-0", true},
    {"WaylandWinsOverDeadX11", ":97", "wayland-0", true},
};

INSTANTIATE_TEST_SUITE_P(Display, DisplayAvailable, ::testing::ValuesIn(kDisplayCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.scenario); });

} // namespace
} // namespace velmora
