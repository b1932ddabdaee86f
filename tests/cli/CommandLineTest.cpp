#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace velmora {
namespace {

using enum RunMode;
using enum CommandForm;

struct ParseCase {
    const char* name;
    std::vector<std::string> arguments;
    CommandForm form;
    RunMode mode;
    std::string text; // the argument, or the mistake for Mistake
    bool silent = false;
    bool noLoad = false;
};

class ParseCommandLine : public ::testing::TestWithParam<ParseCase> {};

// Each command line yields this form, mode, argument or mistake, and these flags.
TEST_P(ParseCommandLine, Yields) {
    const ParseCase& c = GetParam();
    const CommandLine command = parseCommandLine(c.arguments);
    EXPECT_EQ(std::tuple(command.form, command.mode, c.mode == Mistake ? command.mistake : command.argument,
                         command.silent, command.noLoad),
              std::tuple(c.form, c.mode, c.text, c.silent, c.noLoad));
}

const ParseCase kParseCases[] = {
    {"Nothing", {}, Classic, Window, ""},
    {"NoLoadAnyCase", {"/NoLoad"}, Classic, Window, "", false, true},
    // Only a pair of quotes around the whole rest goes.
    {"AddOneQuoteStays", {"/add", "\"/tmp/a.txt"}, Classic, Add, "\"/tmp/a.txt"},
    // Every occurrence of the switch goes, also inside the path.
    {"AddInsidePath", {"/add", "/home/addons/a.txt"}, Classic, Add, "/homeons/a.txt"},
    {"AddBeatsNoLoad", {"/noload", "/add", "x"}, Classic, Add, "/noload  x"},
    {"RemoveAllSilentGlued", {"/removeall/s"}, Classic, RemoveAll, "", true},
    {"RemoveNameWithSpaces", {"/remove", "my", "ads"}, Classic, Remove, "my ads"},
    // Deleting resumes where the deleted text stood: a "/s" further on goes too, one that the
    // deletion forms from the text before that point stays in the name.
    {"RemoveGluedSwitches", {"/remove/s/sads"}, Classic, Remove, "ads", true},
    {"RemoveSwitchRebuiltByDeletion", {"//ssads", "/remove"}, Classic, Remove, "/sads", true},
    // The option form takes values as given: switch texts, quotes and spaces stay.
    {"AddKeepsSwitchTextsAndQuotes", {"--add", " \"/a/addons/s\" "}, Options, Add, " \"/a/addons/s\" "},
    {"AddEquals", {"--add=my lists/a.txt"}, Options, Add, "my lists/a.txt"},
    // A value that looks like an option is a slip; "=" gives it whatever it looks like.
    {"AddOptionAsValue",
     {"--add", "--yes"},
     Options,
     Mistake,
     "option --add needs a list file, not the option '--yes'"},
    {"RemoveOptionAsValue",
     {"--remove", "-y"},
     Options,
     Mistake,
     "option --remove needs a block name, not the option '-y'"},
    {"AddEqualsTakesAnything", {"--add=-y"}, Options, Add, "-y"},
    {"AddDashAlone", {"--add", "-"}, Options, Add, "-"},
    {"ShortYesFirstRemoveKeepsSlashS", {"-y", "--remove", "a/sx"}, Options, Remove, "a/sx", true},
    {"HelpWinsOverLaterMistake", {"--help", "--bogus"}, Options, Help, ""},
    {"AddWithoutFile", {"--add"}, Options, Mistake, "option --add needs a list file"},
    {"RemoveEmptyName", {"--remove", "", "--yes"}, Options, Mistake, "option --remove needs a block name"},
    {"UnknownShort", {"--add", "a", "-x"}, Options, Mistake, "unknown option '-x'"},
    {"ClassicSwitchInOptionForm", {"--yes", "/removeall"}, Options, Mistake, "unexpected argument '/removeall'"},
    {"TwoModes",
     {"--add", "a", "--removeall"},
     Options,
     Mistake,
     "give only one of --add, --update, --remove, --removeall, --disable, --enable, --blocks and --restore"},
    {"ValueForFlag", {"--removeall=yes"}, Options, Mistake, "option --removeall takes no value"},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, ParseCommandLine, ::testing::ValuesIn(kParseCases),
                         [](const auto& p) { return std::string(p.param.name); });

// Mistakes in the options of updates, dry runs and downloads; a size takes K, M or G.
TEST(CommandLine, ListOptions) {
    const std::pair<std::vector<std::string>, std::string> mistakes[] = {
        {{"--update", "ads"},
         "option --update takes a block NAME and a SOURCE (a list file or web address), or neither"},
        {{"--update", "", "x"},
         "option --update takes a block NAME and a SOURCE (a list file or web address), or neither"},
        {{"--update", "ads", "--dry-run"},
         "option --update takes a block NAME and a SOURCE (a list file or web address), or neither"},
        {{"--add", "u", "--max-size", "0"},
         "option --max-size needs a size in bytes (a K, M or G after it multiplies)"},
        {{"--blocks", "--dry-run"},
         "--dry-run and --diff go with --add, --update, --remove, --removeall, --disable or --enable"},
        {{"--add", "u", "--max-size", "0"},
         "option --max-size needs a size in bytes (a K, M or G after it multiplies)"},
        {{"--add", "u", "--timeout", "5s"}, "option --timeout needs a number of seconds"},
        {{"--add", "u", "--stall", "1m"}, "option --stall needs a number of seconds"},
        {{"--update", "ads", "-y"},
         "option --update takes a block NAME and a SOURCE (a list file or web address), or neither"},
        {{"--allow", "--add", "u"}, "option --allow needs a file, not the option '--add'"},
        {{"--update", "a", "u", "--address", "10.0.0.1"},
         "option --address needs the address blocked names go to: 0.0.0.0 or 127.0.0.1"},
        {{"--remove", "a", "--address", "0.0.0.0"}, "--address goes with --add or --update"},
    };
    for (const auto& [arguments, mistake] : mistakes)
        EXPECT_EQ(parseCommandLine(arguments).mistake, mistake);
    const CommandLine c = parseCommandLine(
        {"--add", "u", "--max-size", "2m", "--timeout=30", "--stall", "7", "--allow=a b", "--address", "0.0.0.0"});
    EXPECT_EQ(
        std::tuple(c.limits.maxBytes, c.limits.timeoutSeconds, c.limits.stallSeconds, c.allowFile, c.blockAddress),
        std::tuple(uint64_t{2} << 20, 30, 7, std::string("a b"), std::string("0.0.0.0")));
}

// --help describes the system it runs on: its HOSTS path, allowlist and download folder, how a question
// is answered there and what needs an administrator; never the other system's paths or a display on
// Windows. The build's own text is its system's.
TEST(CommandLine, HelpDescribesItsSystem) {
    const struct {
        HelpSystem system;
        std::vector<std::string> has, lacks;
    } cases[] = {
        {HelpSystem::Posix,
         {"(default /etc/hosts)", "/etc/velmora/allow.txt", "XDG_CACHE_HOME", "(a display is needed)",
          "they need no display", "asked for without a display"},
         {"drivers", "LOCALAPPDATA", "ProgramData", "console", "administrator"}},
        {HelpSystem::Windows,
         {"folder followed by drivers\\etc\\hosts", "%ProgramData%\\velmora\\allow.txt", "LOCALAPPDATA",
          "not a console it is\nanswered No", "\"Run as administrator\""},
         {"/etc/", "XDG", "display", "terminal", "sudo"}},
    };
    for (const auto& c : cases) {
        const std::string text = usageTextFor(c.system);
        for (const std::string& part : c.has)
            EXPECT_NE(text.find(part), std::string::npos) << part;
        for (const std::string& part : c.lacks)
            EXPECT_EQ(text.find(part), std::string::npos) << part;
        EXPECT_NE(text.find("  --update NAME LIST\n"), std::string::npos) << "the options are the same";
    }
#ifdef _WIN32
    EXPECT_EQ(usageText(), usageTextFor(HelpSystem::Windows));
#else
    EXPECT_EQ(usageText(), usageTextFor(HelpSystem::Posix));
#endif
}

} // namespace
} // namespace velmora
