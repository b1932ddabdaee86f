#pragma once

#include "platform/Environment.h"

namespace velmora {

// Windows: the version and folder queries of the system, the process environment in wide characters,
// and consoles.
class WindowsEnvironment : public Environment {
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
