// A limit costs its size once, not twice: the most memory the program takes to download a list as large
// as --max-size allows, and the helper to save as many bytes as it is given, measured as the peak
// resident size of the process as it ends. The download is a list of
// comments around one name, so that what is measured is the body's way to the cache and back, not the
// names a list of that size would rightly hold.
#include "core/Sha256.h"
#include "support/HttpServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace velmora;
using namespace velmora::test;

namespace {

// AddressSanitizer keeps shadow memory and freed blocks aside, so a peak says nothing of the program's
// own, and its leak check cannot run under the ptrace that measures the peak.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

constexpr uint64_t kLimit = uint64_t{256} << 20;
constexpr double kMostOfTheLimit = 1.2;

struct Measured {
    int status = -1;
    uint64_t peakBytes = 0;
    std::string problem; // why nothing could be measured
};

// The peak resident size of the process, in bytes (VmHWM in /proc/PID/status).
uint64_t peakOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:"))
            return std::stoull(line.substr(6)) * 1024; // in kB
    return 0;
}

// Runs program with these arguments and more of the environment, standard input from the file input,
// and waits for it. Its peak is read as it ends, traced so that it stops there with its memory still
// in place: what it reports when reaped would also count the test's own, from before it started.
Measured runMeasured(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                     const std::string& input) {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string_view name = std::string_view(*variable).substr(0, std::string_view(*variable).find('='));
        bool replaced = false;
        for (const std::string& given : environment)
            replaced = replaced || given.substr(0, given.find('=')) == name;
        if (!replaced)
            variables.emplace_back(*variable);
    }
    variables.insert(variables.end(), environment.begin(), environment.end());
    std::vector<char*> argv, envp;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    for (const std::string& variable : variables)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);
    Measured measured;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(input.c_str(), O_RDONLY), out = ::open("/dev/null", O_WRONLY);
        if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
            ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) < 0)
            ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (pid < 0) {
        measured.problem = "cannot start " + arguments[0];
        return measured;
    }
    bool started = false;
    for (int status = 0; ::waitpid(pid, &status, 0) == pid;) {
        if (WIFEXITED(status)) {
            measured.status = WEXITSTATUS(status);
            if (!started)
                measured.problem = "the program could not be traced (exit " + std::to_string(measured.status) + ")";
            return measured;
        }
        if (WIFSIGNALED(status))
            return measured;
        int forward = 0;
        if (!started && WSTOPSIG(status) == SIGTRAP) {
            started = true; // stopped at its start: stop it again as it ends
            ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT);
        } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            measured.peakBytes = peakOf(pid);
        } else {
            forward = WSTOPSIG(status);
        }
        ::ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<intptr_t>(forward)));
    }
    return measured;
}

std::string mib(uint64_t bytes) {
    return std::to_string(bytes >> 20) + " MiB";
}

// One name, then comments up to the limit.
std::string listAtTheLimit() {
    std::string body = "ads.example\n";
    const std::string comment = "# " + std::string(61, '-') + "\n";
    body.reserve(kLimit);
    while (body.size() + comment.size() <= kLimit)
        body += comment;
    body.append(kLimit - body.size() - 1, '#').push_back('\n');
    return body;
}

TEST(PeakMemory, DownloadAtTheLimit) {
    if (kSanitized)
        GTEST_SKIP() << "a build with AddressSanitizer measures its own memory, not the program's";
    TempDir dir;
    LocalHttpServer server([&](const HttpRequest&) { return HttpReply{200, "OK", {}, listAtTheLimit()}; });
    writeFile(dir.file("hosts"), "127.0.0.1 localhost\n");
    const Measured run =
        runMeasured({VELMORA_BINARY, "--update", "ads", server.address("/list"), "--max-size", std::to_string(kLimit)},
                    {"VELMORA_HOSTS=" + dir.file("hosts"), "XDG_CACHE_HOME=" + dir.file("cache"), "no_proxy=127.0.0.1"},
                    "/dev/null");
    if (!run.problem.empty())
        GTEST_SKIP() << run.problem;
    ASSERT_EQ(run.status, 0);
    ASSERT_GT(run.peakBytes, 0u);
    EXPECT_NE(readFile(dir.file("hosts")).find("\n127.0.0.1 ads.example\n"), std::string::npos);
    std::cout << "download of " << mib(kLimit) << ": peak " << mib(run.peakBytes) << "\n";
    EXPECT_LT(static_cast<double>(run.peakBytes), kMostOfTheLimit * kLimit) << mib(run.peakBytes);
}

// The file of bytes for the helper is written, and hashed, a line at a time.
std::string hashOf(const std::string& path) {
    Sha256 hash;
    std::ifstream in(path, std::ios::binary);
    std::string piece(1 << 20, '\0');
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0)
        hash.add(std::string_view(piece.data(), static_cast<size_t>(in.gcount())));
    return hash.hex();
}

TEST(PeakMemory, HelperInputAtTheLimit) {
    if (kSanitized)
        GTEST_SKIP() << "a build with AddressSanitizer measures its own memory, not the program's";
    TempDir dir;
    uint64_t length = 0;
    {
        std::ofstream out(dir.file("input"), std::ios::binary);
        const std::string line = "0.0.0.0 " + std::string(55, 'a') + ".example\n";
        out << "127.0.0.1 localhost\n";
        for (length = 20; length + line.size() <= kLimit; length += line.size())
            out << line;
    }
    writeFile(dir.file("hosts"), "127.0.0.1 localhost\n10.0.0.1 nas\n");
    const std::string hash = hashOf(dir.file("input"));
    const Measured run = runMeasured({VELMORA_TEST_HELPER, "--length", std::to_string(length), "--sha256", hash,
                                      "--replaces", hashOf(dir.file("hosts")), "--hosts", dir.file("hosts")},
                                     {"VELMORA_TEST_SYSTEM_HOSTS=" + dir.file("system")}, dir.file("input"));
    if (!run.problem.empty())
        GTEST_SKIP() << run.problem;
    ASSERT_EQ(run.status, 0);
    ASSERT_GT(run.peakBytes, 0u);
    EXPECT_EQ(hashOf(dir.file("hosts")), hash);
    std::cout << "helper input of " << mib(length) << ": peak " << mib(run.peakBytes) << "\n";
    EXPECT_LT(static_cast<double>(run.peakBytes), kMostOfTheLimit * static_cast<double>(length)) << mib(run.peakBytes);
}

} // namespace
