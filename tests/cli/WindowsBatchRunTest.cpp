// The built .exe run as a Windows script runs it: standard input the NUL device, output to files,
// VELMORA_HOSTS in a temporary folder. Only what Windows changes: the line rules, the C runtime's CR LF
// on standard output and error, names outside ASCII through the wide command line, a read-only HOSTS
// file, and the exit statuses of both forms in this build.
#include "platform/WindowsText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <windows.h>

namespace velmora {
namespace {

const std::string kHosts = "127.0.0.1 localhost\r\n10.0.0.1 nas\r\n";
// The same two names with Windows line ends and with LF alone, which ends a line here as everywhere.
const std::string kCrLfList = "ad.example\r\nb.example\r\n";
const std::string kLfList = "ad.example\nb.example\n";
const std::string kMergedCrLf = kHosts + "127.0.0.1 ad.example\r\n127.0.0.1 b.example\r\n";
const std::string kMergedLf = kHosts + "127.0.0.1 ad.example\r\n127.0.0.1 b.example\r\n";
const std::string kOutside = "H\xC3\xB4tes \xE2\x9C\x93"; // a folder name outside ASCII, with spaces

// The program on hosts with these arguments, through the command interpreter as a script would start
// it, standard input the NUL device: its exit status.
int run(const std::vector<std::string>& arguments, const std::string& hosts, const std::string& out,
        const std::string& err) {
    SetEnvironmentVariableW(L"VELMORA_HOSTS", wideText(hosts).c_str());
    std::string command = "\"\"" VELMORA_BINARY "\"";
    for (const std::string& argument : arguments) // none ends in a backslash or holds a quote
        command += argument.find(' ') == std::string::npos ? " " + argument : " \"" + argument + "\"";
    return _wsystem(wideText(command + " <NUL >\"" + out + "\" 2>\"" + err + "\"\"").c_str());
}

struct RunCase {
    const char* name;
    std::vector<std::string> arguments; // "{dir}" stands for the temporary folder, also in out and err
    int status;
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
    std::filesystem::create_directories(test::nativePath(dir.file(kOutside)));
    test::writeFile(dir.file("lf list.txt"), kLfList);
    test::writeFile(dir.file(kOutside + "/l\xC3\xAFste.txt"), kCrLfList);
    const std::string hosts = dir.file(c.hostsName);
    test::writeFile(hosts, kHosts);
    const std::wstring wideHosts = wideText(hosts);
    if (c.readOnly)
        SetFileAttributesW(wideHosts.c_str(), FILE_ATTRIBUTE_READONLY);
    std::vector<std::string> arguments;
    for (const std::string& argument : c.arguments)
        arguments.push_back(expand(argument));
    EXPECT_EQ(run(arguments, hosts, dir.file(".out"), dir.file(".err")), c.status);
    EXPECT_EQ(test::readFile(dir.file(".out")), expand(c.out));
    EXPECT_EQ(test::readFile(dir.file(".err")), expand(c.err));
    EXPECT_EQ(test::readFile(hosts), c.hostsAfter.value_or(kHosts));
    EXPECT_EQ(test::readFile(hosts + ".bak"), c.backup.value_or("<missing>"));
    const DWORD attributes = GetFileAttributesW(wideHosts.c_str());
    EXPECT_EQ(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY), c.readOnly);
    SetFileAttributesW(wideHosts.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// clang-format off
const RunCase kRunCases[] = {
    {"OptionAddLf", {"--add", "{dir}/lf list.txt"}, 0, kMergedLf, kHosts,
     "Merged 2 new lines from {dir}/lf list.txt into {dir}/hosts (backup: {dir}/hosts.bak)\r\n", ""},
    {"OptionAddOutsideAscii", {"--add", "{dir}/" + kOutside + "/l\xC3\xAFste.txt"}, 0, kMergedCrLf, kHosts,
     "Merged 2 new lines from {dir}/" + kOutside + "/l\xC3\xAFste.txt into {dir}/" + kOutside +
     "/hosts (backup: {dir}/" + kOutside + "/hosts.bak)\r\n", "", kOutside + "/hosts"},
    // NUL is no console: nothing is asked, the answer is No.
    {"ClassicRemoveAllDeclined", {"/removeall"}, 0, {}, {}, "",
     "velmora: Do you want to clear the HOSTS file? Answered No: standard input is not a terminal.\r\n"},
    {"OptionReadOnlyHosts", {"--removeall", "--yes"}, 0, "127.0.0.1 localhost\r\n", kHosts,
     "Reset {dir}/hosts to 127.0.0.1 localhost (backup: {dir}/hosts.bak)\r\n",
     "velmora: {dir}/hosts is read-only: the attribute was cleared for the save and set again.\r\n", "hosts", true},
    {"OptionMissingList", {"--add", "{dir}/none.txt"}, 2, {}, {}, "",
     "velmora: {dir}/none.txt: no list to merge (missing, empty or not a file)\r\n"},
    {"ClassicSaveFails", {"/removeall", "/s"}, 1, "<missing>", {}, "",
     "velmora: The HOSTS list was not saved. {dir}/gone/hosts: No such file or directory\r\n", "gone/hosts"},
    {"Window", {}, 1, {}, {}, "",
     "velmora: the window is not part of this build; use the command line, e.g. velmora --add FILE, --remove NAME "
     "or --removeall (see velmora --help).\r\n"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Velmora, WindowsBatchRun, ::testing::ValuesIn(kRunCases),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace velmora
