#include "startup/CommandLine.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace velmora {
namespace {

struct ClassicCase {
    const char* scenario;
    std::vector<std::string> arguments;
    RunMode mode;
    std::string argument;
    bool silent;
    bool noLoad;
};

// Failures name the case by its scenario.
void PrintTo(const ClassicCase& c, std::ostream* os) {
    *os << c.scenario;
}

class ClassicForm : public ::testing::TestWithParam<ClassicCase> {};

TEST_P(ClassicForm, FindsModeArgumentAndSwitches) {
    const ClassicCase& c = GetParam();
    const CommandLine command = parseCommandLine(c.arguments);
    EXPECT_EQ(command.form, CommandForm::Classic);
    EXPECT_EQ(command.mode, c.mode);
    EXPECT_EQ(command.argument, c.argument);
    EXPECT_EQ(command.silent, c.silent);
    EXPECT_EQ(command.noLoad, c.noLoad);
}

const ClassicCase kClassicCases[] = {
    {"Nothing", {}, RunMode::Window, "", false, false},
    {"NoLoadAnyCase", {"/NoLoad"}, RunMode::Window, "", false, true},
    {"SilentAloneDoesNothing", {"/s"}, RunMode::Window, "", false, false},
    // Quotes are optional and only a pair around the whole rest goes; inner spaces stay.
    {"AddOneQuoteStays", {"/add", "\"/tmp/a.txt"}, RunMode::Add, "\"/tmp/a.txt", false, false},
    {"AddLoneQuoteStays", {"/add", "\""}, RunMode::Add, "\"", false, false},
    // Every occurrence of the switch goes, also inside the path.
    {"AddInsidePath", {"/add", "/home/addons/a.txt"}, RunMode::Add, "/homeons/a.txt", false, false},
    {"AddBeatsRemoveAll", {"/removeall", "/add", "x"}, RunMode::Add, "/removeall  x", false, false},
    {"AddBeatsNoLoad", {"/noload", "/add", "x"}, RunMode::Add, "/noload  x", false, false},
    {"RemoveAllSilentGlued", {"/removeall/s"}, RunMode::RemoveAll, "", true, false},
    {"RemoveNameWithSpaces", {"/remove", "my", "ads"}, RunMode::Remove, "my ads", false, false},
    // Deleting resumes the search where the deleted text stood: a "/s" further on goes too, one that
    // the deletion forms from the text before that point stays in the name.
    {"RemoveGluedSwitches", {"/remove/s/sads"}, RunMode::Remove, "ads", true, false},
    {"RemoveSwitchRebuiltByDeletion", {"//ssads", "/remove"}, RunMode::Remove, "/sads", true, false},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, ClassicForm, ::testing::ValuesIn(kClassicCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.scenario); });

struct OptionCase {
    const char* scenario;
    std::vector<std::string> arguments;
    RunMode mode;
    std::string argument; // the mistake's text for RunMode::Mistake
    bool silent;
    bool noLoad;
};

// Failures name the case by its scenario.
void PrintTo(const OptionCase& c, std::ostream* os) {
    *os << c.scenario;
}

class OptionForm : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionForm, ReadsOptionsAsGiven) {
    const OptionCase& c = GetParam();
    const CommandLine command = parseCommandLine(c.arguments);
    EXPECT_EQ(command.form, CommandForm::Options);
    EXPECT_EQ(command.mode, c.mode);
    EXPECT_EQ(c.mode == RunMode::Mistake ? command.mistake : command.argument, c.argument);
    EXPECT_EQ(command.silent, c.silent);
    EXPECT_EQ(command.noLoad, c.noLoad);
}

const OptionCase kOptionCases[] = {
    {"AddKeepsSwitchTexts", {"--add", "/home/addons/s/a.txt"}, RunMode::Add, "/home/addons/s/a.txt", false, false},
    {"AddKeepsQuotesAndSpaces", {"--add", " \"a b\" "}, RunMode::Add, " \"a b\" ", false, false},
    {"AddTakesNextWhatever", {"--add", "--yes"}, RunMode::Add, "--yes", false, false},
    {"YesAloneIsWindow", {"--yes"}, RunMode::Window, "", true, false},
    {"HelpWinsOverLaterMistake", {"--help", "--bogus"}, RunMode::Help, "", false, false},
    {"UnknownShort", {"--add", "a", "-x"}, RunMode::Mistake, "unknown option '-x'", false, false},
    {"ClassicSwitchInOptionForm",
     {"--yes", "/removeall"},
     RunMode::Mistake,
     "unexpected argument '/removeall'",
     false,
     false},
    {"AddEmptyFile", {"--add="}, RunMode::Mistake, "option --add needs a list file", false, false},
    {"ValueForFlag", {"--removeall=yes"}, RunMode::Mistake, "option --removeall takes no value", false, false},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, OptionForm, ::testing::ValuesIn(kOptionCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.scenario); });

} // namespace
} // namespace velmora
