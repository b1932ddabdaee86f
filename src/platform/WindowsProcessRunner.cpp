#include "platform/WindowsProcessRunner.h"

#include "platform/ProcessRunner.h"
#include "platform/WindowsFileSystem.h"
#include "platform/WindowsText.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <random>

#include <windows.h>

#include <shellapi.h>

namespace velmora {

namespace {

constexpr DWORD kPipeBuffer = 65536;
constexpr size_t kMaxPipeName = 100;

int windowsError(DWORD error) {
    return kWindowsErrorBase + static_cast<int>(error);
}

// The pipes of one run: NAME.in carries the input to the program, NAME.out what it says back.
std::wstring pipePath(const std::string& name, const wchar_t* direction) {
    return L"\\\\.\\pipe\\" + wideText(name) + direction;
}

// Only names of the runner's own making: letters, digits and dashes, so that no name can lead out of
// the pipe folder to a file.
bool isPipeName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxPipeName &&
           name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-") ==
               std::string::npos;
}

// A name no other run takes at the same time: the process, a count and a random number.
std::string freshPipeName() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    return "velmora-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(random());
}

// An argument as CommandLineToArgvW reads it back: quoted when it has blanks or quotes, with the
// backslashes before a quote doubled.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle = nullptr) : m_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() { reset(); }
    HANDLE get() const { return m_handle; }
    void reset() {
        if (m_handle)
            CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle;
};

// One end of a run's pipe on the runner's side, with the event its overlapped calls signal.
class PipeEnd {
public:
    PipeEnd(const std::string& name, const wchar_t* direction, DWORD access)
        : m_pipe(CreateNamedPipeW(
              pipePath(name, direction).c_str(), access | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
              PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kPipeBuffer, kPipeBuffer, 0, nullptr)),
          m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    bool isOpen() const { return m_pipe.get() && m_event.get(); }
    HANDLE get() const { return m_pipe.get(); }
    void close() { m_pipe.reset(); }

    // Starts waiting for the program to open its end.
    void listen() {
        m_connect = OVERLAPPED{};
        m_connect.hEvent = m_event.get();
        m_connected = ConnectNamedPipe(m_pipe.get(), &m_connect) || GetLastError() == ERROR_PIPE_CONNECTED;
        m_pending = !m_connected && GetLastError() == ERROR_IO_PENDING;
    }
    // Waits until the program has opened its end, or has ended without: true when it is open.
    bool connected(HANDLE process) {
        if (m_connected || !m_pending)
            return m_connected;
        HANDLE waits[2] = {m_event.get(), process};
        DWORD done = 0;
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
            CancelIo(m_pipe.get());
            GetOverlappedResult(m_pipe.get(), &m_connect, &done, TRUE);
            return false;
        }
        m_connected = GetOverlappedResult(m_pipe.get(), &m_connect, &done, FALSE) != 0;
        return m_connected;
    }
    // Transfers bytes with ReadFile or WriteFile and waits for them; the count, 0 when the pipe ended.
    template <typename Call> DWORD transfer(Call call) {
        OVERLAPPED at{};
        at.hEvent = m_event.get();
        DWORD done = 0;
        if (!call(&at) && GetLastError() != ERROR_IO_PENDING)
            return 0;
        return GetOverlappedResult(m_pipe.get(), &at, &done, TRUE) ? done : 0;
    }

private:
    OwnedHandle m_pipe;
    OwnedHandle m_event;
    OVERLAPPED m_connect{};
    bool m_connected = false;
    bool m_pending = false;
};

class WindowsProcessRunner : public ProcessRunner {
public:
    // Nothing but the save as administrator starts programs on Windows.
    ProcessResult run(const std::string&, const std::vector<std::string>&, std::string_view) override {
        ProcessResult result;
        result.startError = ENOSYS;
        return result;
    }

    ProcessResult runAsAdministrator(const std::vector<std::string>& command, std::string_view input) override {
        ProcessResult result;
        if (command.empty()) {
            result.startError = EINVAL;
            return result;
        }
        const std::string name = freshPipeName();
        PipeEnd in(name, L".in", PIPE_ACCESS_OUTBOUND);
        PipeEnd out(name, L".out", PIPE_ACCESS_INBOUND);
        if (!in.isOpen() || !out.isOpen()) {
            result.startError = windowsError(GetLastError());
            return result;
        }
        in.listen();
        out.listen();

        std::wstring parameters;
        for (size_t i = 1; i < command.size(); ++i)
            parameters += quoted(wideText(command[i])) + L" ";
        parameters += wideText(kAdministratorPipeOption) + L" " + wideText(name);
        const std::wstring program = wideText(command.front());
        SHELLEXECUTEINFOW start{};
        start.cbSize = sizeof start;
        start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
        start.hwnd = GetActiveWindow(); // the UAC prompt belongs to the window that asked
        start.lpVerb = L"runas";
        start.lpFile = program.c_str();
        start.lpParameters = parameters.c_str();
        start.nShow = SW_HIDE;
        if (!ShellExecuteExW(&start)) {
            const DWORD error = GetLastError();
            if (error == ERROR_CANCELLED)
                result.declined = true;
            else
                result.startError = windowsError(error);
            return result;
        }
        if (!start.hProcess) {
            result.startError = windowsError(ERROR_INVALID_HANDLE);
            return result;
        }
        const OwnedHandle process(start.hProcess);

        // Only the program just started may be at the other end: the bytes are for it alone.
        ULONG client = 0;
        const bool ours = in.connected(process.get()) && out.connected(process.get()) &&
                          GetNamedPipeClientProcessId(in.get(), &client) && client == GetProcessId(process.get());
        if (ours) {
            for (size_t sent = 0; sent < input.size();) {
                const DWORD piece = static_cast<DWORD>(std::min<size_t>(input.size() - sent, kPipeBuffer));
                const DWORD done = in.transfer(
                    [&](OVERLAPPED* at) { return WriteFile(in.get(), input.data() + sent, piece, nullptr, at); });
                if (done == 0)
                    break; // the program stopped reading: it says why
                sent += done;
            }
        }
        in.close(); // the end of the input
        if (ours) {
            char buffer[4096];
            while (const DWORD done = out.transfer(
                       [&](OVERLAPPED* at) { return ReadFile(out.get(), buffer, sizeof buffer, nullptr, at); }))
                result.errors.append(buffer, done);
        }
        out.close();
        WaitForSingleObject(process.get(), INFINITE);
        // A program that never took its input did not do what it was started for, whatever its status.
        if (!ours) {
            result.startError = windowsError(ERROR_PIPE_NOT_CONNECTED);
            return result;
        }
        DWORD status = 0;
        GetExitCodeProcess(process.get(), &status);
        result.exitStatus = static_cast<int>(status);
        return result;
    }
};

} // namespace

ProcessRunner& systemProcessRunner() {
    static WindowsProcessRunner runner;
    return runner;
}

AdministratorPipes connectAdministratorPipes(const std::string& name) {
    AdministratorPipes pipes;
    if (!isPipeName(name)) {
        pipes.error = EINVAL;
        return pipes;
    }
    // Identification only: the runner, a program of the unelevated user, must not act with this
    // program's rights through the pipe.
    const DWORD quality = SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
    HANDLE input =
        CreateFileW(pipePath(name, L".in").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, quality, nullptr);
    HANDLE output = input == INVALID_HANDLE_VALUE ? INVALID_HANDLE_VALUE
                                                  : CreateFileW(pipePath(name, L".out").c_str(), GENERIC_WRITE, 0,
                                                                nullptr, OPEN_EXISTING, quality, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        pipes.error = windowsError(GetLastError());
        if (input != INVALID_HANDLE_VALUE)
            CloseHandle(input);
        return pipes;
    }
    pipes.input = _open_osfhandle(reinterpret_cast<intptr_t>(input), _O_RDONLY | _O_BINARY);
    pipes.output = _open_osfhandle(reinterpret_cast<intptr_t>(output), _O_WRONLY | _O_BINARY);
    return pipes;
}

std::string thisProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
            return utf8Text(std::wstring_view(path.data(), length));
        path.assign(path.size() * 2, L'\0');
    }
}

} // namespace velmora
