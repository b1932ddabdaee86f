#include "platform/ProcessRunner.h"

#include <cerrno>

namespace velmora {

namespace {

// Saving as administrator goes through pkexec, which Windows does not have; nothing else runs programs.
class WindowsProcessRunner : public ProcessRunner {
public:
    ProcessResult run(const std::string&, const std::vector<std::string>&, std::string_view) override {
        ProcessResult result;
        result.startError = ENOSYS;
        return result;
    }
};

} // namespace

ProcessRunner& systemProcessRunner() {
    static WindowsProcessRunner runner;
    return runner;
}

} // namespace velmora
