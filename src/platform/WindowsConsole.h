#pragma once

namespace velmora {

// A program built for the Windows desktop starts without a console of its own. Its text then goes to
// the console of the program that started it (cmd.exe, PowerShell), when there is one; output
// redirected to a file or a pipe stays where it was sent. A console program keeps its own.
void useParentConsole();

} // namespace velmora
