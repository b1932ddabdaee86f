#include "platform/PosixEnvironment.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <tuple>
#include <unistd.h>

namespace velmora {
namespace {

using Value = std::optional<std::string>; // nullopt: the variable is not set
using Values = std::array<Value, 3>;
constexpr const char* kNames[] = {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"};

void setEnvironment(const Values& values) {
    for (size_t i = 0; i < values.size(); ++i)
        values[i] ? ::setenv(kNames[i], values[i]->c_str(), 1) : ::unsetenv(kNames[i]);
}

// A display counts only when a connection to it opens (none, empty, dead X, missing or live Wayland).
TEST(Display, AvailableOnlyWhenAConnectionOpens) {
    test::TempDir dir;
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    std::strncpy(address.sun_path, dir.file("wayland-0").c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    Values old;
    for (size_t i = 0; i < old.size(); ++i)
        if (const char* value = std::getenv(kNames[i]))
            old[i] = value;
    // XDG_RUNTIME_DIR holds a listening "wayland-0"; ":97" is a display number with no server behind it,
    // as under sudo or after ssh forwarding ended.
    const std::tuple<Value, Value, bool> cases[] = {
        // clang-format off
        {std::nullopt, std::nullopt, false}, {"", "", false}, {":97", std::nullopt, false},
        {std::nullopt, "wayland-9", false}, {std::nullopt, dir.file("wayland-0"), true},
        {std::nullopt, "wayland-0", true}, {":97", "wayland-0", true},
        // clang-format on
    };
    for (const auto& [display, wayland, available] : cases) {
        setEnvironment({display, wayland, dir.path()});
        EXPECT_EQ(PosixEnvironment().displayAvailable(), available)
            << display.value_or("-") << " " << wayland.value_or("-");
    }
    setEnvironment(old);
    ::close(listener);
}

} // namespace
} // namespace velmora
