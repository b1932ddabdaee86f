#include "VelmoraProcess.h"

#include "support/TempDir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmora::test {

namespace {

bool dropped(const char* entry) {
    for (const char* name : {"DISPLAY=", "WAYLAND_DISPLAY=", "VELMORA_HOSTS=", "QT_QPA_PLATFORM="}) {
        if (std::strncmp(entry, name, std::strlen(name)) == 0)
            return true;
    }
    return false;
}

} // namespace

ProcessResult runVelmora(const std::vector<std::string>& arguments, const std::string& hostsPath,
                         const std::string& workDir, const std::vector<std::string>& extraEnvironment) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (!dropped(*entry))
            environment.emplace_back(*entry);
    }
    environment.push_back("VELMORA_HOSTS=" + hostsPath);
    // Should the program start the GUI toolkit without a display, this makes it fail loudly instead
    // of quietly falling back to an offscreen platform.
    environment.push_back("QT_QPA_PLATFORM=xcb");
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());

    std::vector<std::string> argumentTexts{VELMORA_BINARY};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    auto pointers = [](std::vector<std::string>& texts) {
        std::vector<char*> result;
        for (std::string& text : texts)
            result.push_back(text.data());
        result.push_back(nullptr);
        return result;
    };
    std::vector<char*> argv = pointers(argumentTexts);
    std::vector<char*> envp = pointers(environment);
    const std::string outPath = workDir + "/.stdout";
    const std::string errPath = workDir + "/.stderr";

    ProcessResult result;
    const pid_t pid = ::fork();
    if (pid < 0)
        return result;
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            ::_exit(127);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    ::unlink(outPath.c_str());
    ::unlink(errPath.c_str());
    return result;
}

} // namespace velmora::test
