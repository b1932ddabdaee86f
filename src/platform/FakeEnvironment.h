#pragma once

#include "platform/Environment.h"

#include <map>
#include <string>

namespace velmora {

// An environment for tests: every answer is a field to set.
class FakeEnvironment : public Environment {
public:
    std::map<std::string, std::string> variables;
    uint32_t version = 0x23F00206; // as GetVersion reports Windows 8: NT 6.2, build 9200
    std::string winDir = "C:\\WINDOWS";
    std::string sysDir = "C:\\WINDOWS\\system32";
    bool terminal = false;
    bool display = false;
    std::string host = "velmora-test-machine";

    uint32_t windowsVersion() override { return version; }
    std::string windowsDirectory() override { return winDir; }
    std::string systemDirectory() override { return sysDir; }
    std::string variable(const char* name) override {
        const auto it = variables.find(name);
        return it == variables.end() ? std::string() : it->second;
    }
    bool isTerminal(int) override { return terminal; }
    bool displayAvailable() override { return display; }
    std::string hostName() override { return host; }
};

} // namespace velmora
