#pragma once

namespace velmora {

// True when a window could be shown: a Wayland compositor accepts a connection on the socket that
// WAYLAND_DISPLAY names, or DISPLAY is set and an X connection to it really opens. False with
// neither, and when the connection fails (a display that belongs to another user, as under sudo, or
// a forwarded one that is gone). Never starts the GUI toolkit, so asking is cheap.
bool displayAvailable();

// True when the file descriptor is a terminal (0 standard input, 2 standard error).
bool isTerminal(int fd);

} // namespace velmora
