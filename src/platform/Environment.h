#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// What Velmora asks of the system it runs on, beside files: the Windows version and folders, the
// process environment, whether the standard streams are terminals and whether a window can be shown.
class Environment {
public:
    virtual ~Environment() = default;

    // The Windows version number as GetVersion reports it (0 elsewhere); which family it names is
    // for the HOSTS path rules to decide.
    virtual uint32_t windowsVersion() = 0;
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
    // This machine's own host name, as the system calls it; empty when it cannot say.
    virtual std::string hostName() = 0;
};

// The environment of the running process.
Environment& systemEnvironment();

// The arguments after the program's name, in UTF-8. On Windows they are taken from the wide command
// line, so that a path in any script survives whatever the console's code page is.
std::vector<std::string> programArguments(int argc, char** argv);

// Readies the standard streams for a run on the terminal: a reader of standard output that has gone
// away must not end the process (POSIX); UTF-8 text and the progress bar's escapes are understood
// by the console (Windows), whose code page and mode are put back when the process ends, also by
// Ctrl+C. Returns whether a terminal on standard error understands the escape sequence that clears
// the rest of a line: not a POSIX terminal whose TERM is dumb, nor a Windows console that refuses
// to process escape sequences (before Windows 10, or set to its legacy mode).
bool prepareStandardStreams();

} // namespace velmora
