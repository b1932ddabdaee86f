#pragma once

#include "platform/Environment.h"

namespace velmora {

// Windows: the version and folder queries of the system, the process environment and _isatty.
class WindowsEnvironment : public Environment {
public:
    bool isNt() override;
    std::string windowsDirectory() override;
    std::string systemDirectory() override;
    std::string variable(const char* name) override;
    bool isTerminal(int fd) override;
    bool displayAvailable() override;
};

} // namespace velmora
