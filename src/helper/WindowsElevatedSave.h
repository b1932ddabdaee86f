#pragma once

#include "helper/SaveHelper.h"

#include <string>
#include <vector>

namespace velmora {

// Velmora's copy of itself that saves the system HOSTS file as administrator on Windows, started
// through the UAC prompt by ProcessRunner::runAsAdministrator:
//   velmora.exe --save-hosts --length N --sha256 HEX [--replaces HEX] --pipe NAME
// arguments are those after --save-hosts. It connects to the runner's pipes NAME, saves as the helper
// does (runSaveHelper, as if pkexec had started it: the system HOSTS file only, VELMORA_HOSTS ignored)
// with the bytes from the pipe, and writes what it has to say back there. Returns the helper's status.
int runElevatedSave(const std::vector<std::string>& arguments, SaveHelperSystem& system);

// The same for the running system: its file system, environment and HOSTS file.
int runElevatedSaveOfThisSystem(const std::vector<std::string>& arguments);

} // namespace velmora
