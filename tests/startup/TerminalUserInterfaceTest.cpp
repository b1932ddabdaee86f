#include "startup/TerminalUserInterface.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

namespace velmora {
namespace {

// Asks "Clear?" with the buttons (292 Yes 6 / No 7, 1 OK 1 / Cancel 2, 64 OK alone) and returns the
// result and what reached standard error.
std::pair<int32_t, std::string> ask(int32_t buttons, bool inIsTerminal, const char* typed) {
    std::istringstream in(typed);
    std::ostringstream err;
    TerminalUserInterface ui(in, err, inIsTerminal, false);
    const int32_t result = ui.ShowMsgBox("Clear?", buttons);
    return {result, err.str()};
}

// y or yes in any case is Yes, anything else No; without a terminal nothing is read and the answer is No.
TEST(TerminalQuestion, Answers) {
    const std::string asked = "Clear? [y/N] ";
    const std::string notATerminal = "velmora: Clear? Answered No: standard input is not a terminal.\n";
    EXPECT_EQ(ask(292, true, "y\n"), std::pair(6, asked));
    EXPECT_EQ(ask(292, true, "  YES \n"), std::pair(6, asked));
    EXPECT_EQ(ask(292, true, "yep\n"), std::pair(7, asked));
    EXPECT_EQ(ask(292, true, ""), std::pair(7, asked + "\n")); // end of input ends the prompt's line
    EXPECT_EQ(ask(292, false, "y\n"), std::pair(7, notATerminal));
    EXPECT_EQ(ask(1, false, "y\n"), std::pair(2, notATerminal));
    EXPECT_EQ(ask(64, true, "n\n"), std::pair(1, std::string("velmora: Clear?\n"))); // a notice never waits
}

// Progress is one rewritten line on a terminal once shown, wiped on close, which restores "Loading".
TEST(TerminalProgress, DrawsOnATerminalAfterShowing) {
    for (const bool errIsTerminal : {true, false}) {
        std::istringstream in;
        std::ostringstream err;
        TerminalUserInterface ui(in, err, true, errIsTerminal);
        int32_t value = 25;
        ui.setProgressTitle("Merging...");
        ui.ShowProgress(25, value, 100); // 25% while not shown: not drawn
        ui.showProgress();
        ui.ShowProgress(0, value, 100);
        ui.closeProgress();
        ui.showProgress();
        ui.ShowProgress(0, value, 100);
        EXPECT_EQ(err.str(), errIsTerminal ? "\rMerging... [###############               ] 50%\x1b[K\r\x1b[K"
                                             "\rLoading [###############               ] 50%\x1b[K"
                                           : "");
    }
}

} // namespace
} // namespace velmora
