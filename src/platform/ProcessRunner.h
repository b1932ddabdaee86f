#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// How a program that was run ended.
struct ProcessResult {
    int startError = 0;  // errno when the program could not be started at all (then nothing else is set)
    int exitStatus = -1; // its exit status; -1 when a signal ended it
    std::string output;  // what it wrote to standard output
    std::string errors;  // what it wrote to standard error
};

// Runs other programs. One implementation per system, chosen when building, and a fake for tests.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;

    // Runs program (looked up on PATH when it has no '/') with exactly these arguments, no shell in
    // between, feeding input to its standard input; waits for it to end.
    virtual ProcessResult run(const std::string& program, const std::vector<std::string>& arguments,
                              std::string_view input) = 0;
};

// The process runner of the running system.
ProcessRunner& systemProcessRunner();

} // namespace velmora
