// The built .exe run as a Windows script runs it: standard input the NUL device, output to files,
// VELMORA_HOSTS in a temporary folder. Only what Windows changes: line rules, the C runtime's CR LF
// on standard output and error, arguments that reach the program through the wide command line, the
// exit statuses of both forms in this build, and runs at the same time taking turns.
#include "platform/WindowsText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>

namespace velmora {
namespace {

const std::string kHosts = "127.0.0.1 localhost\r\n#BEGIN of ads\r\n0.0.0.0 a.example\r\n#END of ads\r\n"
                           "10.0.0.1 nas\r\n";
// The same two names with Windows line ends and with LF alone, which ends no line here.
const std::string kCrLfList = "ad.example\r\nb.example\r\n";
const std::string kLfList = "ad.example\nb.example\n";
const std::string kMergedCrLf = kHosts + "127.0.0.1 ad.example\r\n127.0.0.1 b.example\r\n";
const std::string kMergedLf = kHosts + "127.0.0.1 ad.example\nb.example\n\r\n";
const std::string kWithoutAds = "127.0.0.1 localhost\r\n10.0.0.1 nas\r\n";
const std::string kOutside = "H\xC3\xB4tes \xE2\x9C\x93"; // a folder name outside ASCII, with spaces

std::filesystem::path nativePath(const std::string& path) {
    return std::filesystem::path(wideText(path));
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(nativePath(path), std::ios::binary) << bytes;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(nativePath(path), std::ios::binary);
    if (!in)
        return "<missing>";
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// One argument as the C runtime splits the command line back: quoted when it has spaces or quotes,
// backslashes doubled only before a quote.
std::wstring quoted(const std::string& argument) {
    const std::wstring wide = wideText(argument);
    if (!wide.empty() && wide.find_first_of(L" \t\"") == std::wstring::npos)
        return wide;
    std::wstring result = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : wide) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        result.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        result += c;
    }
    result.append(2 * backslashes, L'\\');
    return result + L"\"";
}

HANDLE inheritable(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    return CreateFileW(wideText(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &security, disposition, 0,
                       nullptr);
}

// Starts the program on hosts with these arguments, its output to out and err; the process handle.
HANDLE start(const std::vector<std::string>& arguments, const std::string& hosts, const std::string& out,
             const std::string& err) {
    SetEnvironmentVariableW(L"VELMORA_HOSTS", wideText(hosts).c_str());
    std::wstring commandLine = quoted(VELMORA_BINARY);
    for (const std::string& argument : arguments)
        commandLine += L" " + quoted(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = inheritable(out, GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = inheritable(err, GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        CloseHandle(handle);
    if (!started)
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD waitFor(HANDLE process) {
    DWORD status = 0xDEAD;
    if (process && WaitForSingleObject(process, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &status);
    if (process)
        CloseHandle(process);
    return status;
}

struct RunCase {
    const char* name;
    std::vector<std::string> arguments; // "{dir}" stands for the temporary folder, also in out and err
    DWORD status;
    std::optional<std::string> hostsAfter; // nullopt: as it was
    std::optional<std::string> backup;     // nullopt: no backup
    std::string out, err;
    std::string hostsName = "hosts";
    bool readOnly = false; // the HOSTS file has the read-only attribute
};

class WindowsBatchRun : public ::testing::TestWithParam<RunCase> {};

// Each command line leaves exactly these files, output and exit status.
TEST_P(WindowsBatchRun, LeavesTheseBytes) {
    const RunCase& c = GetParam();
    test::TempDir dir;
    auto expand = [&](const std::string& text) {
        return std::regex_replace(text, std::regex("\\{dir\\}"), dir.path());
    };
    std::filesystem::create_directories(nativePath(dir.file(kOutside)));
    writeBytes(dir.file("crlf list.txt"), kCrLfList);
    writeBytes(dir.file("lf list.txt"), kLfList);
    writeBytes(dir.file(kOutside + "/l\xC3\xAFste.txt"), kCrLfList);
    const std::string hosts = dir.file(c.hostsName);
    writeBytes(hosts, kHosts);
    if (c.readOnly)
        SetFileAttributesW(wideText(hosts).c_str(), FILE_ATTRIBUTE_READONLY);
    std::vector<std::string> arguments;
    for (const std::string& argument : c.arguments)
        arguments.push_back(expand(argument));
    const std::string out = dir.file(".out"), err = dir.file(".err");
    EXPECT_EQ(waitFor(start(arguments, hosts, out, err)), c.status);
    EXPECT_EQ(readBytes(out), expand(c.out));
    EXPECT_EQ(readBytes(err), expand(c.err));
    EXPECT_EQ(readBytes(hosts), c.hostsAfter.value_or(kHosts));
    EXPECT_EQ(readBytes(hosts + ".bak"), c.backup.value_or("<missing>"));
    EXPECT_EQ((GetFileAttributesW(wideText(hosts).c_str()) & FILE_ATTRIBUTE_READONLY) != 0, c.readOnly);
    SetFileAttributesW(wideText(hosts).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// clang-format off
const RunCase kRunCases[] = {
    {"OptionAddCrLf", {"--add", "{dir}/crlf list.txt"}, 0, kMergedCrLf, kHosts,
     "Merged 2 new lines from {dir}/crlf list.txt into {dir}/hosts (backup: {dir}/hosts.bak)\r\n", ""},
    {"OptionAddLf", {"--add", "{dir}/lf list.txt"}, 0, kMergedLf, kHosts,
     "Merged 1 new line from {dir}/lf list.txt into {dir}/hosts (backup: {dir}/hosts.bak)\r\n", ""},
    {"OptionAddOutsideAscii", {"--add", "{dir}/" + kOutside + "/l\xC3\xAFste.txt"}, 0, kMergedCrLf, kHosts,
     "Merged 2 new lines from {dir}/" + kOutside + "/l\xC3\xAFste.txt into {dir}/" + kOutside +
     "/hosts (backup: {dir}/" + kOutside + "/hosts.bak)\r\n", "", kOutside + "/hosts"},
    // The classic form joins the arguments again: the space in the path survives unquoted.
    {"ClassicAddSplitPath", {"/ADD", "{dir}/crlf", "list.txt"}, 0, kMergedCrLf, kHosts, "", ""},
    {"ClassicRemoveSilent", {"/remove", "ads", "/S"}, 0, kWithoutAds, kHosts, "", ""},
    // NUL is no console: nothing is asked, the answer is No.
    {"ClassicRemoveAllDeclined", {"/removeall"}, 0, {}, {}, "",
     "velmora: Do you want to clear the HOSTS file? Answered No: standard input is not a terminal.\r\n"},
    {"OptionRemoveAll", {"--removeall", "-y"}, 0, "127.0.0.1 localhost\r\n", kHosts,
     "Reset {dir}/hosts to 127.0.0.1 localhost (backup: {dir}/hosts.bak)\r\n", ""},
    {"OptionReadOnlyHosts", {"--removeall", "--yes"}, 0, "127.0.0.1 localhost\r\n", kHosts,
     "Reset {dir}/hosts to 127.0.0.1 localhost (backup: {dir}/hosts.bak)\r\n",
     "velmora: {dir}/hosts is read-only: the attribute was cleared for the save and set again.\r\n", "hosts", true},
    {"OptionMissingList", {"--add", "{dir}/none.txt"}, 2, {}, {}, "",
     "velmora: {dir}/none.txt: no list to merge (missing, empty or not a file)\r\n"},
    {"OptionMistake", {"--removeall", "--force"}, 2, {}, {}, "",
     "velmora: unknown option '--force' (see velmora --help)\r\n"},
    {"ClassicSaveFails", {"/removeall", "/s"}, 1, "<missing>", {}, "",
     "velmora: The HOSTS list was not saved. {dir}/gone/hosts: No such file or directory\r\n", "gone/hosts"},
    {"Window", {}, 1, {}, {}, "",
     "velmora: the window is not part of this build; use the command line, e.g. velmora --add FILE, --remove NAME "
     "or --removeall (see velmora --help).\r\n"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Velmora, WindowsBatchRun, ::testing::ValuesIn(kRunCases),
                         [](const auto& p) { return std::string(p.param.name); });

// Runs started together take turns under the lock: every list ends up whole.
TEST(WindowsBatchRuns, SimultaneousRunsKeepEveryList) {
    test::TempDir dir;
    const std::string hosts = dir.file("hosts");
    writeBytes(hosts, "127.0.0.1 localhost\r\n");
    constexpr int kRuns = 6;
    std::vector<HANDLE> runs;
    for (int i = 0; i < kRuns; ++i) {
        std::string lines;
        for (int j = 0; j < 2000; ++j)
            lines += "run" + std::to_string(i) + "-" + std::to_string(j) + ".example\r\n";
        const std::string list = dir.file("list" + std::to_string(i));
        writeBytes(list, lines);
        runs.push_back(start({"--add", list}, hosts, list + ".out", list + ".err"));
    }
    for (HANDLE run : runs)
        EXPECT_EQ(waitFor(run), 0u);
    const std::string merged = readBytes(hosts);
    for (int i = 0; i < kRuns; ++i) {
        for (int j : {0, 1999})
            EXPECT_NE(merged.find("127.0.0.1 run" + std::to_string(i) + "-" + std::to_string(j) + ".example\r\n"),
                      std::string::npos)
                << i;
    }
}

} // namespace
} // namespace velmora
