#include "platform/PosixEnvironment.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

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

void setEnvironment(const char* name, const Value& value) {
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

// A display counts only when a connection to it opens (none, empty, dead X, missing or live Wayland).
TEST(Display, AvailableOnlyWhenAConnectionOpens) {
    test::TempDir dir;
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, dir.file("wayland-0").c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    const std::tuple<Value, Value, bool> cases[] = {
        // XDG_RUNTIME_DIR holds a listening "wayland-0"; ":97" is a display number with no server behind
        // it, as under sudo or after ssh forwarding ended.
        // clang-format off
        {std::nullopt, std::nullopt, false}, {"", "", false}, {":97", std::nullopt, false},
        {std::nullopt, "wayland-9", false}, {std::nullopt, dir.file("wayland-0"), true},
        {std::nullopt, "wayland-0", true}, {":97", "wayland-0", true},
        // clang-format on
    };
    const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"};
    Value old[3];
    for (int i = 0; i < 3; ++i) {
        if (const char* value = std::getenv(names[i]))
            old[i] = value;
    }
    for (const auto& [display, wayland, available] : cases) {
        setEnvironment(names[0], display);
        setEnvironment(names[1], wayland);
        setEnvironment(names[2], dir.path());
        EXPECT_EQ(PosixEnvironment().displayAvailable(), available)
            << display.value_or("-") << " " << wayland.value_or("-");
    }
    for (int i = 0; i < 3; ++i)
        setEnvironment(names[i], old[i]);
    ::close(listener);
}

} // namespace
} // namespace velmora
