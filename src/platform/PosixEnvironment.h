#pragma once

#include "platform/Environment.h"

namespace velmora {

// POSIX systems: the process environment, isatty, and a display found through Wayland's socket or an
// X connection made with libxcb alone, loaded only when asked.
class PosixEnvironment : public Environment {
public:
    uint32_t windowsVersion() override;
    std::string windowsDirectory() override;
    std::string systemDirectory() override;
    std::string variable(const char* name) override;
    bool isTerminal(int fd) override;
    bool displayAvailable() override;
    std::string hostName() override;
};

} // namespace velmora
