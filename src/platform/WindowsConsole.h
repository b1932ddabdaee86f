#pragma once

namespace velmora {

// A program built for the Windows desktop starts without a console of its own. Its text then goes to
// the console of the program that started it (cmd.exe, PowerShell), when there is one; output
// redirected to a file, a pipe or NUL stays where it was sent. The console's input is left to its shell,
// which does not wait for a desktop program. A console program keeps what it has.
void useParentConsole();

} // namespace velmora
