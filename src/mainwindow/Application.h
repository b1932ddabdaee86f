#pragma once

namespace velmora {

// Starts the window: creates the application, loads the HOSTS file (unless noLoad), shows the main
// window and runs until it closes. Returns the process exit status. Needs a display.
int runWindow(int argc, char** argv, bool noLoad);

} // namespace velmora
