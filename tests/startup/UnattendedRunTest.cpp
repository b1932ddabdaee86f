// The unattended modes through the built program, run the way scripts, cron and sudo run it: no
// display, standard input not a terminal, the HOSTS file in a temporary folder.
#include "VelmoraProcess.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

namespace velmora {
namespace {

const std::string kHosts = "127.0.0.1 localhost\n"
                           "#BEGIN of ads\n"
                           "0.0.0.0 a.example\n"
                           "#END of ads\n"
                           "10.0.0.1 nas\n"
                           "#BEGIN of ax\n"
                           "127.0.0.1 ax.example\n"
                           "#END of ax\n";
// A bare name, a blank line, a comment with spaces around it, an entry for another address and a
// duplicate of a HOSTS line written with extra spaces.
const std::string kList = "ad.example\n\n  # list comment  \n0.0.0.0 b.example\n127.0.0.1   localhost\n";
const std::string kMerged = kHosts + "127.0.0.1 ad.example\n# list comment\n0.0.0.0 b.example\n";
const std::string kWithoutAds = "127.0.0.1 localhost\n10.0.0.1 nas\n#BEGIN of ax\n127.0.0.1 ax.example\n#END of ax\n";
const std::string kWithoutAx = "127.0.0.1 localhost\n#BEGIN of ads\n0.0.0.0 a.example\n#END of ads\n10.0.0.1 nas\n";
const std::string kReset = "127.0.0.1 localhost\n";
const std::string kHostsCrLf = "127.0.0.1 localhost\r\n#BEGIN of ads\r\n0.0.0.0 a.example\r\n#END of ads\r\n";

const std::string kNoDisplay = "velmora: no display available; the window cannot open. Without a display use the "
                               "command line, e.g. velmora --add FILE, --remove NAME or --removeall (see velmora "
                               "--help).\n";
const std::string kDeclinedClear =
    "velmora: Do you want to clear the HOSTS file? Answered No: standard input is not a terminal.\n";
std::string declinedRemove(const std::string& name) {
    return "velmora: Do you want to clear the block(s) '" + name +
           "' from HOSTS file? Answered No: standard input is not a terminal.\n";
}

struct RunCase {
    const char* scenario;
    std::vector<std::string> arguments; // "{dir}" stands for the temporary folder everywhere
    int status = 0;
    std::optional<std::string> hostsAfter = std::nullopt; // nullopt: the HOSTS file is as it was
    std::optional<std::string> backup = std::nullopt;     // nullopt: there is no backup
    std::string out = {};
    std::string err = {};
    std::optional<std::string> hostsBefore = kHosts; // nullopt: no HOSTS file
    std::string hostsName = "hosts";                 // VELMORA_HOSTS inside the folder
};

// Failures name the case by its scenario.
void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.scenario;
}

std::string expand(std::string text, const std::string& dir) {
    for (size_t at = text.find("{dir}"); at != std::string::npos; at = text.find("{dir}", at + dir.size()))
        text.replace(at, 5, dir);
    return text;
}

class UnattendedRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(UnattendedRun, ChangesExactlyTheseBytes) {
    const RunCase& c = GetParam();
    test::TempDir dir;
    std::filesystem::create_directories(dir.file("my lists"));
    std::filesystem::create_directories(dir.file("addons/s"));
    std::filesystem::create_directories(dir.file("folder"));
    test::writeFile(dir.file("list.txt"), kList);
    test::writeFile(dir.file("my lists/list.txt"), kList);
    test::writeFile(dir.file("addons/s/list.txt"), kList);
    test::writeFile(dir.file("empty.txt"), "");
    const std::string hosts = dir.file(c.hostsName);
    if (c.hostsBefore)
        test::writeFile(hosts, *c.hostsBefore);
    const std::string before = test::readFile(hosts);

    std::vector<std::string> arguments;
    for (const std::string& argument : c.arguments)
        arguments.push_back(expand(argument, dir.path()));
    const test::ProcessResult result = test::runVelmora(arguments, hosts, dir.path());

    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, expand(c.out, dir.path()));
    EXPECT_EQ(result.err, expand(c.err, dir.path()));
    EXPECT_EQ(test::readFile(hosts), c.hostsAfter ? *c.hostsAfter : before);
    if (c.backup)
        EXPECT_EQ(test::readFile(hosts + ".bak"), *c.backup);
    else
        EXPECT_FALSE(test::exists(hosts + ".bak"));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".velmora-"), std::string::npos) << entry.path();
}

const RunCase kClassicCases[] = {
    {.scenario = "AddUnquoted", .arguments = {"/add", "{dir}/list.txt"}, .hostsAfter = kMerged, .backup = kHosts},
    {.scenario = "AddQuoted", .arguments = {"/add", "\"{dir}/list.txt\""}, .hostsAfter = kMerged, .backup = kHosts},
    {.scenario = "AddSpacesUnquoted",
     .arguments = {"/add", "{dir}/my lists/list.txt"},
     .hostsAfter = kMerged,
     .backup = kHosts},
    {.scenario = "AddSpacesQuoted",
     .arguments = {"/add", " \"{dir}/my lists/list.txt\" "},
     .hostsAfter = kMerged,
     .backup = kHosts},
    {.scenario = "AddUpperCase", .arguments = {"/ADD", "{dir}/list.txt"}, .hostsAfter = kMerged, .backup = kHosts},
    {.scenario = "AddSwitchLast", .arguments = {"{dir}/list.txt", "/Add"}, .hostsAfter = kMerged, .backup = kHosts},
    // "/s" is no switch in add mode: it stays in the path, which then names no file.
    {.scenario = "AddSilentStaysInPath", .arguments = {"/add", "{dir}/list.txt", "/s"}},
    {.scenario = "AddMissingList", .arguments = {"/add", "{dir}/none.txt"}},
    {.scenario = "AddEmptyList", .arguments = {"/add", "{dir}/empty.txt"}},
    {.scenario = "AddNoPath", .arguments = {"/add"}},
    // The classic form deletes "/add" inside the path too ("/addons" becomes "ons").
    {.scenario = "AddSwitchInsidePath", .arguments = {"/add", "{dir}/addons/s/list.txt"}},
    // The merge's own notice about the missing HOSTS file; the list alone is then saved.
    {.scenario = "AddToMissingHosts",
     .arguments = {"/add", "{dir}/list.txt"},
     .hostsAfter = "127.0.0.1 ad.example\n# list comment\n0.0.0.0 b.example\n127.0.0.1 localhost\n",
     .err = "velmora: {dir}/hosts does not exist.\n",
     .hostsBefore = std::nullopt},
    // Both switches: add mode wins and its argument keeps "/removeall", so no file is found.
    {.scenario = "RemoveAllAndAdd", .arguments = {"/removeall", "/add", "{dir}/list.txt"}},
    {.scenario = "AddAndRemoveAll", .arguments = {"/add", "{dir}/list.txt", "/removeall"}},
    {.scenario = "RemoveSilent", .arguments = {"/remove", "ads", "/s"}, .hostsAfter = kWithoutAds, .backup = kHosts},
    {.scenario = "RemoveSilentUpperCase",
     .arguments = {"/REMOVE", "ads", "/S"},
     .hostsAfter = kWithoutAds,
     .backup = kHosts},
    {.scenario = "RemoveQuotedName",
     .arguments = {"/s", "/remove", "\"ads\""},
     .hostsAfter = kWithoutAds,
     .backup = kHosts},
    {.scenario = "RemoveKeepsCrLf",
     .arguments = {"/remove", "ads", "/s"},
     .hostsAfter = "127.0.0.1 localhost\r\n",
     .backup = kHostsCrLf,
     .hostsBefore = kHostsCrLf},
    // "a/sx" holds "/s": the run is silent and the name is "ax".
    {.scenario = "RemoveNameWithSilent", .arguments = {"/remove", "a/sx"}, .hostsAfter = kWithoutAx, .backup = kHosts},
    {.scenario = "RemoveDeclined", .arguments = {"/remove", "ads"}, .err = declinedRemove("ads")},
    {.scenario = "RemoveNoNameAsks", .arguments = {"/remove"}, .err = declinedRemove("")},
    {.scenario = "RemoveNoNameSilent", .arguments = {"/remove", "/s"}},
    {.scenario = "RemoveUnknownNameSaves",
     .arguments = {"/remove", "other", "/s"},
     .hostsAfter = kHosts,
     .backup = kHosts},
    // Nothing to load: the empty document is saved as an empty file, with no backup.
    {.scenario = "RemoveMissingHosts",
     .arguments = {"/remove", "ads", "/s"},
     .hostsAfter = "",
     .hostsBefore = std::nullopt},
    {.scenario = "RemoveAllDeclined", .arguments = {"/removeall"}, .err = kDeclinedClear},
    {.scenario = "RemoveAllSilent", .arguments = {"/removeall", "/s"}, .hostsAfter = kReset, .backup = kHosts},
    {.scenario = "RemoveAllMissingHosts",
     .arguments = {"/removeall", "/s"},
     .hostsAfter = kReset,
     .hostsBefore = std::nullopt},
    // A failed save is the classic form's one message; the files stay as they were.
    {.scenario = "SaveFailsNoFolder",
     .arguments = {"/removeall", "/s"},
     .status = 1,
     .err = "velmora: The HOSTS list was not saved. {dir}/gone/hosts: No such file or directory\n",
     .hostsBefore = std::nullopt,
     .hostsName = "gone/hosts"},
    {.scenario = "SaveFailsNotAFile",
     .arguments = {"/remove", "ads", "/s"},
     .status = 1,
     .err = "velmora: The HOSTS list was not saved. {dir}/folder: not a regular file\n",
     .hostsBefore = std::nullopt,
     .hostsName = "folder"},
    {.scenario = "WindowWithoutDisplay", .arguments = {}, .status = 1, .err = kNoDisplay},
    {.scenario = "NoLoadWithoutDisplay", .arguments = {"/noload"}, .status = 1, .err = kNoDisplay},
};

INSTANTIATE_TEST_SUITE_P(Classic, UnattendedRun, ::testing::ValuesIn(kClassicCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.scenario); });

const RunCase kOptionCases[] = {
    {.scenario = "Add",
     .arguments = {"--add", "{dir}/list.txt"},
     .hostsAfter = kMerged,
     .backup = kHosts,
     .out = "Merged 3 new lines from {dir}/list.txt into {dir}/hosts (backup: {dir}/hosts.bak)\n"},
    // The path is taken as given: "/add" and "/s" in it are just text.
    {.scenario = "AddPathWithSwitchTexts",
     .arguments = {"--add", "{dir}/addons/s/list.txt", "--yes"},
     .hostsAfter = kMerged,
     .backup = kHosts,
     .out = "Merged 3 new lines from {dir}/addons/s/list.txt into {dir}/hosts (backup: {dir}/hosts.bak)\n"},
    {.scenario = "AddEquals",
     .arguments = {"--add={dir}/my lists/list.txt"},
     .hostsAfter = kMerged,
     .backup = kHosts,
     .out = "Merged 3 new lines from {dir}/my lists/list.txt into {dir}/hosts (backup: {dir}/hosts.bak)\n"},
    // Entries already present are left out; comment lines are never duplicates.
    {.scenario = "AddAgain",
     .arguments = {"--add", "{dir}/list.txt"},
     .hostsAfter = kMerged + "# list comment\n",
     .backup = kMerged,
     .out = "Merged 1 new line from {dir}/list.txt into {dir}/hosts (backup: {dir}/hosts.bak)\n",
     .hostsBefore = kMerged},
    {.scenario = "AddMissingList",
     .arguments = {"--add", "{dir}/none.txt"},
     .status = 2,
     .err = "velmora: {dir}/none.txt: no list to merge (missing, empty or not a file)\n"},
    {.scenario = "AddFolder",
     .arguments = {"--add", "{dir}/folder"},
     .status = 2,
     .err = "velmora: {dir}/folder: no list to merge (missing, empty or not a file)\n"},
    {.scenario = "AddWithoutFile",
     .arguments = {"--add"},
     .status = 2,
     .err = "velmora: option --add needs a list file (see velmora --help)\n"},
    {.scenario = "Remove",
     .arguments = {"--remove", "ads", "-y"},
     .hostsAfter = kWithoutAds,
     .backup = kHosts,
     .out = "Removed 3 lines in blocks named ads from {dir}/hosts (backup: {dir}/hosts.bak)\n"},
    // No "/s" handling: the name is exactly what was given.
    {.scenario = "RemoveNameKeepsSlashS",
     .arguments = {"--yes", "--remove", "a/sx"},
     .hostsAfter = kHosts,
     .backup = kHosts,
     .out = "Removed 0 lines in blocks named a/sx from {dir}/hosts (backup: {dir}/hosts.bak)\n"},
    {.scenario = "RemoveDeclined", .arguments = {"--remove", "ads"}, .err = declinedRemove("ads")},
    {.scenario = "RemoveMissingHosts",
     .arguments = {"--remove", "ads", "--yes"},
     .hostsAfter = "",
     .out = "Removed 0 lines in blocks named ads from {dir}/hosts (no backup: it was missing or empty)\n",
     .hostsBefore = std::nullopt},
    {.scenario = "RemoveWithoutName",
     .arguments = {"--remove"},
     .status = 2,
     .err = "velmora: option --remove needs a block name (see velmora --help)\n"},
    {.scenario = "RemoveEmptyName",
     .arguments = {"--remove", "", "--yes"},
     .status = 2,
     .err = "velmora: option --remove needs a block name (see velmora --help)\n"},
    {.scenario = "RemoveAll",
     .arguments = {"--removeall", "--yes"},
     .hostsAfter = kReset,
     .backup = kHosts,
     .out = "Reset {dir}/hosts to 127.0.0.1 localhost (backup: {dir}/hosts.bak)\n"},
    {.scenario = "RemoveAllDeclined", .arguments = {"--removeall"}, .err = kDeclinedClear},
    {.scenario = "UnknownOption",
     .arguments = {"--removeall", "--force"},
     .status = 2,
     .err = "velmora: unknown option '--force' (see velmora --help)\n"},
    {.scenario = "StrayArgument",
     .arguments = {"--remove", "ads", "now"},
     .status = 2,
     .err = "velmora: unexpected argument 'now' (see velmora --help)\n"},
    {.scenario = "TwoModes",
     .arguments = {"--add", "{dir}/list.txt", "--removeall", "-y"},
     .status = 2,
     .err = "velmora: give only one of --add, --remove and --removeall (see velmora --help)\n"},
    {.scenario = "SaveFails",
     .arguments = {"--removeall", "--yes"},
     .status = 1,
     .err = "velmora: The HOSTS list was not saved. {dir}/gone/hosts: No such file or directory\n",
     .hostsBefore = std::nullopt,
     .hostsName = "gone/hosts"},
    {.scenario = "NoLoadWithoutDisplay", .arguments = {"--noload"}, .status = 1, .err = kNoDisplay},
};

INSTANTIATE_TEST_SUITE_P(Options, UnattendedRun, ::testing::ValuesIn(kOptionCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.scenario); });

// Help and version need no display and no HOSTS file, and go to standard output.
TEST(UnattendedRunInfo, HelpDocumentsBothFormsAndVersionIsPrinted) {
    test::TempDir dir;
    const test::ProcessResult help = test::runVelmora({"--help"}, dir.file("hosts"), dir.path());
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    for (const char* text :
         {"--add FILE", "--remove NAME", "--removeall", "--yes", "--noload", "--version", "/add FILE", "/remove NAME",
          "/removeall", "/s", "/noload", "VELMORA_HOSTS", "Exit status"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    const test::ProcessResult version = test::runVelmora({"--version"}, dir.file("hosts"), dir.path());
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("velmora [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << version.out;
    EXPECT_FALSE(test::exists(dir.file("hosts")));
}

} // namespace
} // namespace velmora
