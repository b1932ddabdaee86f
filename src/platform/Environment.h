#pragma once

#include <string>

namespace velmora {

// What Velmora asks of the system it runs on, beside files: the Windows version and folders, the
// process environment, whether the standard streams are terminals and whether a window can be shown.
class Environment {
public:
    virtual ~Environment() = default;

    // True on the NT family of Windows.
    virtual bool isNt() = 0;
    virtual std::string windowsDirectory() = 0; // without a final separator; empty on failure
    virtual std::string systemDirectory() = 0;
    virtual std::string variable(const char* name) = 0; // empty when unset
    // True when the file descriptor is a terminal (0 standard input, 2 standard error).
    virtual bool isTerminal(int fd) = 0;
    // True when a window could be shown: a Wayland compositor accepts a connection on the socket that
    // WAYLAND_DISPLAY names, or DISPLAY is set and an X connection to it really opens. False with
    // neither, and when the connection fails (a display that belongs to another user, as under sudo).
    // Never starts the GUI toolkit, so asking is cheap.
    virtual bool displayAvailable() = 0;
};

// The environment of the running process.
Environment& systemEnvironment();

} // namespace velmora
