#include "platform/PosixProcessRunner.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmora {

namespace {

// Both ends of every channel close on exec; the child's copies are made by dup2, which clears that.
struct Channels {
    int input[2] = {-1, -1}; // socket pair: [0] the parent writes, [1] the child's standard input
    int output[2] = {-1, -1};
    int errors[2] = {-1, -1};

    int open() {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) < 0 || ::pipe2(output, O_CLOEXEC) < 0 ||
            ::pipe2(errors, O_CLOEXEC) < 0)
            return errno;
        return 0;
    }
    static void closeOne(int& fd) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    void closeChildEnds() {
        closeOne(input[1]);
        closeOne(output[1]);
        closeOne(errors[1]);
    }
    ~Channels() {
        for (int* pair : {input, output, errors}) {
            closeOne(pair[0]);
            closeOne(pair[1]);
        }
    }
};

bool drain(int& fd, std::string& into) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
        into.append(buffer, static_cast<size_t>(n));
        return true;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return true;
    Channels::closeOne(fd);
    return false;
}

} // namespace

ProcessResult PosixProcessRunner::run(const std::string& program, const std::vector<std::string>& arguments,
                                      std::string_view input) {
    ProcessResult result;
    Channels channels;
    if (int error = channels.open()) {
        result.startError = error;
        return result;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, channels.input[1], 0);
    posix_spawn_file_actions_adddup2(&actions, channels.output[1], 1);
    posix_spawn_file_actions_adddup2(&actions, channels.errors[1], 2);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.startError = spawned;
        return result;
    }
    channels.closeChildEnds();

    size_t written = 0;
    if (input.empty())
        Channels::closeOne(channels.input[0]);
    while (channels.input[0] >= 0 || channels.output[0] >= 0 || channels.errors[0] >= 0) {
        pollfd polls[3] = {
            {channels.input[0], POLLOUT, 0}, {channels.output[0], POLLIN, 0}, {channels.errors[0], POLLIN, 0}};
        if (::poll(polls, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (polls[0].revents != 0) {
            const ssize_t n =
                ::send(channels.input[0], input.data() + written, input.size() - written, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0)
                written += static_cast<size_t>(n);
            // A program that stops reading gets no more; what it did with the rest is its exit status.
            if (written == input.size() || (n < 0 && errno != EINTR && errno != EAGAIN))
                Channels::closeOne(channels.input[0]);
        }
        if (polls[1].revents != 0)
            drain(channels.output[0], result.output);
        if (polls[2].revents != 0)
            drain(channels.errors[0], result.errors);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            result.startError = errno;
            return result;
        }
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

ProcessRunner& systemProcessRunner() {
    static PosixProcessRunner runner;
    return runner;
}

std::string thisProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<size_t>(n) >= path.size())
        return {};
    path.resize(static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

int replaceThisProcess(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    return errno;
}

} // namespace velmora
