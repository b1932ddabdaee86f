#pragma once

#include <string>

namespace velmora {

// Starts the window: creates the application, loads the HOSTS file (unless noLoad), shows the main
// window and runs until it closes. Returns the process exit status. Needs a display. Saving the system
// HOSTS file as administrator runs the helper found from the program's own folder by helperFromProgram
// (see installedHelperPath; empty: it is not offered).
int runWindow(int argc, char** argv, bool noLoad, const std::string& helperFromProgram);

} // namespace velmora
