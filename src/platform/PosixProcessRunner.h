#pragma once

#include "platform/ProcessRunner.h"

#include <string>
#include <vector>

namespace velmora {

// POSIX systems: posix_spawnp with the standard streams on pipes; standard input is a socket, so that
// a program that stops reading early cannot end this one with SIGPIPE.
class PosixProcessRunner : public ProcessRunner {
public:
    ProcessResult run(const std::string& program, const std::vector<std::string>& arguments,
                      std::string_view input) override;
    ProcessResult runAsAdministrator(const std::vector<std::string>& command, std::string_view input) override {
        return run("pkexec", command, input);
    }
};

// The folder the running program was started from, through its links (/proc/self/exe); empty when the
// system cannot say.
std::string thisProgramFolder();

// Runs program in this process's place (execv): the same process, environment and standard streams, the
// program's path as its name and arguments after it. Returns only when it could not be started, with
// the errno.
int replaceThisProcess(const std::string& program, const std::vector<std::string>& arguments);

} // namespace velmora
