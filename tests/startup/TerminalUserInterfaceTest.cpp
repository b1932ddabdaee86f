#include "startup/TerminalUserInterface.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>

namespace velmora {
namespace {

struct QuestionCase {
    const char* scenario;
    int32_t buttons;
    bool inIsTerminal;
    const char* typed;
    int32_t result;
    const char* err;
};

// Failures name the case by its scenario.
void PrintTo(const QuestionCase& c, std::ostream* os) {
    *os << c.scenario;
}

class TerminalQuestion : public ::testing::TestWithParam<QuestionCase> {};

TEST_P(TerminalQuestion, AnswersAndWrites) {
    const QuestionCase& c = GetParam();
    std::istringstream in(c.typed);
    std::ostringstream err;
    TerminalUserInterface ui(in, err, c.inIsTerminal, false);
    EXPECT_EQ(ui.ShowMsgBox("Do you want to clear the HOSTS file?", c.buttons), c.result);
    EXPECT_EQ(err.str(), c.err);
}

const char* const kAsked = "Do you want to clear the HOSTS file? [y/N] ";

const QuestionCase kQuestionCases[] = {
    {"Y", 292, true, "y\n", 6, kAsked},
    {"YesUpperCaseWithSpaces", 292, true, "  YES \n", 6, kAsked},
    {"EmptyLineIsNo", 292, true, "\n", 7, kAsked},
    {"OtherWordIsNo", 292, true, "yep\n", 7, kAsked},
    {"OnlyFirstLineCounts", 292, true, "n\ny\n", 7, kAsked},
    // End of input ends the prompt's line so that the next output starts on its own.
    {"EndOfInputIsNo", 292, true, "", 7, "Do you want to clear the HOSTS file? [y/N] \n"},
    // Nothing is read when nobody can type: standard input might be a file or a pipe of data.
    {"NotATerminal", 292, false, "y\n", 7,
     "velmora: Do you want to clear the HOSTS file? Answered No: standard input is not a terminal.\n"},
    {"OkCancelNo", 1, false, "y\n", 2,
     "velmora: Do you want to clear the HOSTS file? Answered No: standard input is not a terminal.\n"},
    // A notice (OK alone) is written, never waits, and is acknowledged.
    {"Notice", 64, true, "n\n", 1, "velmora: Do you want to clear the HOSTS file?\n"},
};

INSTANTIATE_TEST_SUITE_P(Terminal, TerminalQuestion, ::testing::ValuesIn(kQuestionCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.scenario); });

// Runs one showing of 100 steps of 1 over 100, as the loops do, and returns what reached err.
std::string progressOutput(bool errIsTerminal, bool show) {
    std::istringstream in;
    std::ostringstream err;
    TerminalUserInterface ui(in, err, true, errIsTerminal);
    ui.setProgressTitle("Merging New HOSTS...");
    if (show)
        ui.showProgress();
    int32_t value = 0;
    for (int i = 0; i < 100; ++i)
        ui.ShowProgress(1, value, 100);
    EXPECT_EQ(value, 100);
    ui.closeProgress();
    return err.str();
}

TEST(TerminalProgress, DrawsOneRewrittenLineOnATerminalOnly) {
    const std::string drawn = progressOutput(true, true);
    EXPECT_EQ(drawn.find('\n'), std::string::npos);
    EXPECT_NE(drawn.find("\rMerging New HOSTS... [##############################] 99%"), std::string::npos);
    EXPECT_EQ(drawn.substr(drawn.size() - 4), "\r\x1b[K");
    EXPECT_EQ(progressOutput(false, true), "");
    // A loop that calls ShowProgress without showing the window (a small HOSTS file) draws nothing.
    EXPECT_EQ(progressOutput(true, false), "");
}

TEST(TerminalProgress, CloseRestoresTheDesignTitle) {
    std::istringstream in;
    std::ostringstream err;
    TerminalUserInterface ui(in, err, true, true);
    ui.setProgressTitle("Loading HOSTS...");
    ui.showProgress();
    ui.closeProgress();
    ui.showProgress();
    int32_t value = 0;
    ui.ShowProgress(50, value, 100);
    ui.ShowProgress(50, value, 100);
    EXPECT_NE(err.str().find("\rLoading [###############               ] 50%"), std::string::npos);
}

} // namespace
} // namespace velmora
