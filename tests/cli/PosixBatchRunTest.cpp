// The built program run the way scripts, cron and sudo run it: no display, standard input not a
// terminal, the HOSTS file in a temporary folder. What the command line means is in CommandLineTest;
// here are the facts that need a process: exit status, the bytes left behind, standard output and error.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace velmora {
namespace {

const std::string kHosts = "127.0.0.1 localhost\n#BEGIN of ads\n0.0.0.0 a.example\n#END of ads\n10.0.0.1 nas\n"
                           "#BEGIN of ax\n127.0.0.1 ax.example\n#END of ax\n";
// A bare name, a blank line, a padded comment, another address and a HOSTS line with extra spaces.
const std::string kList = "ad.example\n\n  # list comment  \n0.0.0.0 b.example\n127.0.0.1   localhost\n";
const std::string kMerged = kHosts + "127.0.0.1 ad.example\n# list comment\n0.0.0.0 b.example\n";
const std::string kWithoutAds = "127.0.0.1 localhost\n10.0.0.1 nas\n#BEGIN of ax\n127.0.0.1 ax.example\n#END of ax\n";
const std::string kWithoutAx = "127.0.0.1 localhost\n#BEGIN of ads\n0.0.0.0 a.example\n#END of ads\n10.0.0.1 nas\n";
const std::string kReset = "127.0.0.1 localhost\n";
const std::string kNoDisplay = "velmora: no display available; the window cannot open. Without a display use the "
                               "command line, e.g. velmora --add FILE, --remove NAME or --removeall (see velmora "
                               "--help).\n";
const std::string kAnsweredNo = "? Answered No: standard input is not a terminal.\n";
const std::string kClearAll = "velmora: Do you want to clear the HOSTS file" + kAnsweredNo;
const std::string kClearNone = "velmora: Do you want to clear the block(s) '' from HOSTS file" + kAnsweredNo;
const std::string kBackup = " (backup: {dir}/hosts.bak)\n";

struct RunCase {
    const char* name;
    std::vector<std::string> arguments; // "{dir}" stands for the temporary folder, also in out and err
    int status;
    std::optional<std::string> hostsAfter; // nullopt: as it was
    std::optional<std::string> backup;     // nullopt: no backup
    std::string out, err;
    std::optional<std::string> hostsBefore = kHosts; // nullopt: no HOSTS file
    std::string hostsName = "hosts";
};

class BatchRun : public ::testing::TestWithParam<RunCase> {};

// Each command line leaves exactly these files, output and exit status.
TEST_P(BatchRun, LeavesTheseBytes) {
    const RunCase& c = GetParam();
    test::TempDir dir;
    auto expand = [&](const std::string& text) {
        return std::regex_replace(text, std::regex("\\{dir\\}"), dir.path());
    };
    auto quoted = [](const std::string& text) {
        return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'";
    };
    std::filesystem::create_directories(dir.file("my lists"));
    test::writeFile(dir.file("list.txt"), kList);
    test::writeFile(dir.file("my lists/list.txt"), kList);
    const std::string hosts = dir.file(c.hostsName);
    if (c.hostsBefore)
        test::writeFile(hosts, *c.hostsBefore);
    const std::string before = test::readFile(hosts);
    // No display, and Qt told to use X so that starting it would fail loudly; standard input no terminal.
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb VELMORA_HOSTS=" + quoted(hosts) + " " +
                          quoted(VELMORA_BINARY);
    for (const std::string& argument : c.arguments)
        command += " " + quoted(expand(argument));
    const std::string out = dir.file(".out"), err = dir.file(".err");
    const int status = std::system((command + " </dev/null >" + quoted(out) + " 2>" + quoted(err)).c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status);
    EXPECT_EQ(test::readFile(out), expand(c.out));
    EXPECT_EQ(test::readFile(err), expand(c.err));
    EXPECT_EQ(test::readFile(hosts), c.hostsAfter.value_or(before));
    EXPECT_EQ(test::readFile(hosts + ".bak"), c.backup.value_or("<missing>"));
}

// clang-format off
const RunCase kRunCases[] = {
    {"AddUnquotedWithSpaces", {"/add", "{dir}/my lists/list.txt"}, 0, kMerged, kHosts, "", ""},
    {"AddQuotedWithSpaces", {"/add", " \"{dir}/my lists/list.txt\" "}, 0, kMerged, kHosts, "", ""},
    {"AddUpperCaseSwitchLast", {"{dir}/list.txt", "/ADD"}, 0, kMerged, kHosts, "", ""},
    // "/s" is no switch in add mode: it stays in the path, which then names no file.
    {"AddSilentStaysInPath", {"/add", "{dir}/list.txt", "/s"}, 0, {}, {}, "", ""},
    // Add mode wins and its path keeps "/removeall", so no file is found and nothing is asked.
    {"RemoveAllAndAdd", {"/removeall", "/add", "{dir}/list.txt"}, 0, {}, {}, "", ""},
    {"RemoveSilent", {"/remove", "ads", "/s"}, 0, kWithoutAds, kHosts, "", ""},
    // "a/sx" holds "/s": the run is silent and the name is "ax".
    {"RemoveNameWithSilent", {"/remove", "a/sx"}, 0, kWithoutAx, kHosts, "", ""},
    {"RemoveNoNameAsks", {"/remove"}, 0, {}, {}, "", kClearNone},
    {"RemoveNoNameSilent", {"/remove", "/s"}, 0, {}, {}, "", ""},
    // Nothing to load: the empty document is saved as an empty file, with no backup.
    {"RemoveMissingHosts", {"/remove", "ads", "/s"}, 0, "", {}, "", "", std::nullopt},
    {"RemoveAllDeclined", {"/removeall"}, 0, {}, {}, "", kClearAll},
    {"RemoveAllSilent", {"/removeall", "/s"}, 0, kReset, kHosts, "", ""},
    {"SaveFailsNotAFile", {"/remove", "ads", "/s"}, 1, {}, {}, "",
     "velmora: The HOSTS list was not saved. {dir}/my lists: not a regular file\n", std::nullopt, "my lists"},
    {"WindowWithoutDisplay", {}, 1, {}, {}, "", kNoDisplay},
    {"OptionAdd", {"--add", "{dir}/list.txt"}, 0, kMerged, kHosts,
     "Merged 3 new lines from {dir}/list.txt into {dir}/hosts" + kBackup, ""},
    {"OptionAddMissingList", {"--add", "{dir}/none.txt"}, 2, {}, {}, "",
     "velmora: {dir}/none.txt: no list to merge (missing, empty or not a file)\n"},
    {"OptionRemove", {"--remove", "ads", "-y"}, 0, kWithoutAds, kHosts,
     "Removed 3 lines in blocks named ads from {dir}/hosts" + kBackup, ""},
    {"OptionRemoveMissingHosts", {"--remove", "ads", "--yes"}, 0, "", {},
     "Removed 0 lines in blocks named ads from {dir}/hosts (no backup: it was missing or empty)\n", "", std::nullopt},
    {"OptionRemoveAll", {"--removeall", "--yes"}, 0, kReset, kHosts,
     "Reset {dir}/hosts to 127.0.0.1 localhost" + kBackup, ""},
    {"OptionMistake", {"--removeall", "--force"}, 2, {}, {}, "",
     "velmora: unknown option '--force' (see velmora --help)\n"},
    {"OptionSaveFails", {"--removeall", "--yes"}, 1, {}, {}, "",
     "velmora: The HOSTS list was not saved. {dir}/gone/hosts: No such file or directory\n", std::nullopt,
     "gone/hosts"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Velmora, BatchRun, ::testing::ValuesIn(kRunCases),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace velmora
