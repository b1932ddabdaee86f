#pragma once

#include "platform/ProcessRunner.h"

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

} // namespace velmora
