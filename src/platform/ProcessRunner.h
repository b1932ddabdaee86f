#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// How a program that was run ended.
struct ProcessResult {
    int startError = 0;    // errno when the program could not be started at all (then nothing else is set)
    bool declined = false; // Windows: the user said no to the administrator's prompt, so nothing started
    int exitStatus = -1;   // its exit status; -1 when a signal ended it
    std::string output;    // what it wrote to standard output
    std::string errors;    // what it wrote to standard error
};

// Runs other programs. One implementation per system, chosen when building, and a fake for tests.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;

    // Runs program (looked up on PATH when it has no '/') with exactly these arguments, no shell in
    // between, feeding input to its standard input; waits for it to end.
    virtual ProcessResult run(const std::string& program, const std::vector<std::string>& arguments,
                              std::string_view input) = 0;

    // Runs command (the program, by its full path, and its arguments) with an administrator's rights,
    // which the system asks the user for, feeding it input; waits for it to end. POSIX systems run
    // pkexec with the command (pkexec's own exit statuses: 126 the password not given, 127 refused).
    // Windows starts the program through ShellExecuteExW with the "runas" verb, which shows the UAC
    // prompt (declined when the user says no) and passes no standard streams: the program gets
    // --pipe NAME after its arguments and takes input from, and writes what it has to say to, the
    // runner's pipes of that name (see connectAdministratorPipes), which come back as its errors.
    virtual ProcessResult runAsAdministrator(const std::vector<std::string>& command, std::string_view input) = 0;
};

// The process runner of the running system.
ProcessRunner& systemProcessRunner();

} // namespace velmora
