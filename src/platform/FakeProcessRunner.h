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
    };
    std::vector<Call> calls;
    ProcessResult answer;

    ProcessResult run(const std::string& program, const std::vector<std::string>& arguments,
                      std::string_view input) override {
        calls.push_back(Call{program, arguments, std::string(input)});
        return answer;
    }
};

} // namespace velmora
