#include "platform/PosixEnvironment.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace velmora {

namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The Wayland socket: WAYLAND_DISPLAY itself when it is a path, else inside XDG_RUNTIME_DIR.
bool waylandAvailable() {
    const std::string display = environmentValue("WAYLAND_DISPLAY");
    if (display.empty())
        return false;
    std::string path = display;
    if (display.front() != '/') {
        const std::string runtime = environmentValue("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return false;
        path = runtime + "/" + display;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return connected;
}

// An X server counts when it accepts a connection from this process (under sudo the display is
// another user's and refuses it). libxcb is loaded for the question rather than linked: every program
// of the package shares this file, and the helper that runs as root must link no X library. Without
// libxcb no X client could open a window here anyway.
bool x11Available() {
    if (environmentValue("DISPLAY").empty())
        return false;
    void* xcb = ::dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!xcb)
        return false;
    struct Connection;
    using Connect = Connection* (*)(const char*, int*);
    using HasError = int (*)(Connection*);
    using Disconnect = void (*)(Connection*);
    const auto connect = reinterpret_cast<Connect>(::dlsym(xcb, "xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(::dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(::dlsym(xcb, "xcb_disconnect"));
    bool usable = false;
    if (connect && hasError && disconnect) {
        Connection* connection = connect(nullptr, nullptr);
        usable = connection && hasError(connection) == 0;
        if (connection)
            disconnect(connection);
    }
    ::dlclose(xcb);
    return usable;
}

} // namespace

uint32_t PosixEnvironment::windowsVersion() {
    return 0;
}

std::string PosixEnvironment::windowsDirectory() {
    return {};
}

std::string PosixEnvironment::systemDirectory() {
    return {};
}

std::string PosixEnvironment::variable(const char* name) {
    return environmentValue(name);
}

std::string PosixEnvironment::hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

bool PosixEnvironment::isTerminal(int fd) {
    return ::isatty(fd) == 1;
}

bool PosixEnvironment::displayAvailable() {
    return waylandAvailable() || x11Available();
}

Environment& systemEnvironment() {
    static PosixEnvironment environment;
    return environment;
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool prepareStandardStreams() {
    std::signal(SIGPIPE, SIG_IGN);
    // A terminal that calls itself dumb (an editor's shell buffer) shows escape sequences as text.
    const char* term = std::getenv("TERM");
    return !term || std::string_view(term) != "dumb";
}

} // namespace velmora
