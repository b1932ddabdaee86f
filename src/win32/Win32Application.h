#pragma once

namespace velmora {

// Readies this process for the Win32 window and dialogs: the common controls, COM for the pictures
// and the file dialogs, and the screen's own resolution rather than a scaled one. Once per process.
void startWin32Session();

// Starts the Win32 window: loads the HOSTS file (unless noLoad), shows the main window centred on the
// screen and runs until it closes. Returns the process exit status.
int runWin32Window(bool noLoad);

} // namespace velmora
