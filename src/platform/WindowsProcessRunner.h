#pragma once

#include <string>

namespace velmora {

// A program that runAsAdministrator starts on Windows has no standard streams of the runner's: it is
// given "--pipe NAME" as its last two arguments, and takes its input from, and writes what it has to
// say to, the runner's two pipes of that name.
inline constexpr char kAdministratorPipeOption[] = "--pipe";

// The started program's ends of the pipes NAME, as C runtime descriptors: input ends where the
// runner's input does; output goes back to the runner as the program's errors. error is set (and
// neither is open) when NAME is not one the runner gives or the pipes cannot be opened. The runner
// may only identify this program through the pipes, never act as it.
struct AdministratorPipes {
    int input = -1;
    int output = -1;
    int error = 0; // an errno, or kWindowsErrorBase plus a Windows error
};
AdministratorPipes connectAdministratorPipes(const std::string& name);

// The full path of the running program, for starting a copy of it; empty when the system cannot say.
std::string thisProgramPath();

} // namespace velmora
