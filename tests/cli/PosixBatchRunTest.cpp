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
// Every line already in kHosts, by the merge's rules.
const std::string kOldList = "0.0.0.0 a.example\n10.0.0.1 nas\nLOCALHOST\n";
const std::string kLeftAlone = "; it and its backup were left as they were\n";

struct RunCase {
    const char* name;
    std::vector<std::string> arguments; // "{dir}" stands for the temporary folder, also in out and err
    int status;
    std::optional<std::string> hostsAfter; // nullopt: as it was
    std::optional<std::string> backup;     // nullopt: no backup
    std::string out, err;
    std::optional<std::string> hostsBefore = kHosts; // nullopt: no HOSTS file
    std::string hostsName = "hosts";
    std::optional<std::string> backupBefore = std::nullopt; // nullopt: no backup
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
    test::writeFile(dir.file("old.txt"), kOldList);
    const std::string hosts = dir.file(c.hostsName);
    if (c.hostsBefore)
        test::writeFile(hosts, *c.hostsBefore);
    if (c.backupBefore)
        test::writeFile(hosts + ".bak", *c.backupBefore);
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
    EXPECT_EQ(test::readFile(hosts + ".bak"), c.backup.value_or(c.backupBefore.value_or("<missing>")));
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
    // Nothing to remove: nothing is saved, not even an empty file.
    {"RemoveMissingHosts", {"/remove", "ads", "/s"}, 0, {}, {}, "", "", std::nullopt},
    // A run that would change nothing writes nothing: the backup still holds what came before the last
    // real change. The classic form stays silent; the option form says so, and a misspelt name fails.
    {"RemoveNoSuchBlock", {"/remove", "typo", "/s"}, 0, {}, {}, "", "", kHosts, "hosts", "older\n"},
    {"OptionRemoveNoSuchBlock", {"--remove", "typo", "--yes"}, 1, {}, {}, "",
     "velmora: no block named typo in {dir}/hosts" + kLeftAlone, kHosts, "hosts", "older\n"},
    {"OptionAddNothingNew", {"--add", "{dir}/old.txt"}, 0, {}, {},
     "Nothing new in {dir}/old.txt: {dir}/hosts already has every line of it" + kLeftAlone, "", kHosts, "hosts",
     "older\n"},
    {"AddNothingNew", {"/add", "{dir}/old.txt"}, 0, {}, {}, "", "", kHosts, "hosts", "older\n"},
    {"OptionRemoveAllAlreadyReset", {"--removeall", "--yes"}, 0, {}, {},
     "No change: {dir}/hosts already holds these lines" + kLeftAlone, "", kReset, "hosts", "older\n"},
    {"RemoveAllDeclined", {"/removeall"}, 0, {}, {}, "", kClearAll},
    {"RemoveAllSilent", {"/removeall", "/s"}, 0, kReset, kHosts, "", ""},
    {"SaveFailsNotAFile", {"/removeall", "/s"}, 1, {}, {}, "",
     "velmora: The HOSTS list was not saved. {dir}/my lists: not a regular file\n", std::nullopt, "my lists"},
    {"WindowWithoutDisplay", {}, 1, {}, {}, "", kNoDisplay},
    {"OptionAdd", {"--add", "{dir}/list.txt"}, 0, kMerged, kHosts,
     "Merged 3 new lines from {dir}/list.txt into {dir}/hosts" + kBackup, ""},
    {"OptionAddMissingList", {"--add", "{dir}/none.txt"}, 2, {}, {}, "",
     "velmora: {dir}/none.txt: no list to merge (missing, empty or not a file)\n"},
    {"OptionRemove", {"--remove", "ads", "-y"}, 0, kWithoutAds, kHosts,
     "Removed 3 lines in blocks named ads from {dir}/hosts" + kBackup, ""},
    {"OptionRemoveMissingHosts", {"--remove", "ads", "--yes"}, 1, {}, {}, "",
     "velmora: no block named ads in {dir}/hosts" + kLeftAlone, std::nullopt},
    {"OptionRemoveAll", {"--removeall", "--yes"}, 0, kReset, kHosts,
     "Reset {dir}/hosts to 127.0.0.1 localhost" + kBackup, ""},
    {"OptionMistake", {"--removeall", "--force"}, 2, {}, {}, "",
     "velmora: unknown option '--force' (see velmora --help)\n"},
    {"OptionSaveFails", {"--removeall", "--yes"}, 1, {}, {}, "",
     "velmora: The HOSTS list was not saved. {dir}/gone/hosts: not written, because the lock "
     "{dir}/gone/.hosts.velmora-lock cannot be taken: No such file or directory\n", std::nullopt,
     "gone/hosts"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Velmora, BatchRun, ::testing::ValuesIn(kRunCases),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace velmora
