#include "cli/TerminalUserInterface.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

namespace velmora {
namespace {

constexpr int32_t kYesNo = MessageStyle::YesNo | MessageStyle::Question | MessageStyle::DefaultButton2;

// Asks "Clear?" in the style and returns the answer and what reached standard error.
std::pair<Answer, std::string> ask(int32_t style, bool inIsTerminal, const char* typed) {
    std::istringstream in(typed);
    std::ostringstream err;
    TerminalUserInterface ui(in, err, inIsTerminal, false);
    const Answer answer = ui.ask("Clear?", style);
    return {answer, err.str()};
}

// y or yes in any case is Yes, anything else No; without a terminal nothing is read and the answer is No.
TEST(TerminalQuestion, Answers) {
    const std::string asked = "Clear? [y/N] ";
    const std::string notATerminal = "velmora: Clear? Answered No: standard input is not a terminal.\n";
    EXPECT_EQ(ask(kYesNo, true, "y\n"), std::pair(Answer::Yes, asked));
    EXPECT_EQ(ask(kYesNo, true, "  YES \n"), std::pair(Answer::Yes, asked));
    EXPECT_EQ(ask(kYesNo, true, "yep\n"), std::pair(Answer::No, asked));
    EXPECT_EQ(ask(kYesNo, true, ""), std::pair(Answer::No, asked + "\n")); // end of input ends the prompt's line
    EXPECT_EQ(ask(kYesNo, false, "y\n"), std::pair(Answer::No, notATerminal));
    EXPECT_EQ(ask(MessageStyle::OkCancel, false, "y\n"), std::pair(Answer::Cancel, notATerminal));
    EXPECT_EQ(ask(MessageStyle::OkCancel, true, "y\n"), std::pair(Answer::Ok, std::string("Clear? [y/N] ")));
    // a notice never waits
    EXPECT_EQ(ask(MessageStyle::Information, true, "n\n"), std::pair(Answer::Ok, std::string("velmora: Clear?\n")));
}

// Progress is one rewritten line on a terminal once shown, wiped on close, which restores "Loading".
TEST(TerminalProgress, DrawsOnATerminalAfterShowing) {
    std::istringstream in;
    std::ostringstream err;
    TerminalUserInterface ui(in, err, true, true);
    int32_t value = 25;
    ProgressSink& progress = ui.progress();
    progress.setTitle("Merging...");
    progress.step(25, value, 100); // 25% while not shown: not drawn
    progress.show();
    progress.step(0, value, 100);
    progress.close();
    progress.show();
    progress.step(0, value, 100);
    EXPECT_EQ(err.str(), "\rMerging... [###############               ] 50%\x1b[K\r\x1b[K"
                         "\rLoading [###############               ] 50%\x1b[K");
}

// A console that does not process escape sequences gets none: a shorter line is padded over the longer
// one before it, and closing wipes the line with spaces.
TEST(TerminalProgress, PlainConsoleGetsNoEscapes) {
    std::istringstream in;
    std::ostringstream err;
    TerminalUserInterface ui(in, err, true, true);
    ui.setEscapeSequences(false);
    int32_t value = 50;
    ProgressSink& progress = ui.progress();
    progress.setTitle("Merging...");
    progress.show();
    progress.step(0, value, 100);
    progress.setTitle("Load");
    value = 75;
    progress.step(0, value, 100);
    progress.close();
    const std::string first = "Merging... [###############               ] 50%";
    const std::string second = "Load [#######################       ] 75%";
    EXPECT_EQ(err.str(), "\r" + first + "\r" + second + std::string(first.size() - second.size(), ' ') + "\r" +
                             std::string(first.size(), ' ') + "\r");
}

} // namespace
} // namespace velmora
