#pragma once

#include "platform/ProcessRunner.h"

#include <string>
#include <vector>

namespace velmora {

// A process runner for tests: records every call and answers with a canned result.
class FakeProcessRunner : public ProcessRunner {
public:
    struct Call {
        std::string program;
        std::vector<std::string> arguments;
        std::string input;
        bool asAdministrator = false;
    };
    std::vector<Call> calls;
    ProcessResult answer;

    ProcessResult run(const std::string& program, const std::vector<std::string>& arguments,
                      std::string_view input) override {
        calls.push_back(Call{program, arguments, std::string(input)});
        return answer;
    }
    ProcessResult runAsAdministrator(const std::vector<std::string>& command, std::string_view input) override {
        calls.push_back(Call{command.empty() ? std::string() : command.front(),
                             std::vector<std::string>(command.begin() + (command.empty() ? 0 : 1), command.end()),
                             std::string(input), true});
        return answer;
    }
};

} // namespace velmora
