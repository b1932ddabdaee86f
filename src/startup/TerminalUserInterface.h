#pragma once

#include "core/Progress.h"
#include "core/UserInterface.h"

#include <iosfwd>
#include <string>

namespace velmora {

// The user interface of a run without a display. Questions are asked on the terminal as the prompt
// followed by " [y/N] " (y or yes is Yes, anything else No) when standard input is a terminal, and
// are answered No with one line on standard error when it is not, so that an unattended run never
// waits. Notices and errors go to standard error. Progress is a one-line text bar on standard error,
// drawn only when standard error is a terminal. Nothing goes to standard output.
class TerminalUserInterface : public UserInterface {
public:
    TerminalUserInterface(std::istream& in, std::ostream& err, bool inIsTerminal, bool errIsTerminal,
                          std::string program = "velmora");

    int32_t ShowMsgBox(const std::string& prompt, int32_t buttons) override;
    void reportError(const std::string& message) override;
    void setProgressTitle(const std::string& title) override;
    void showProgress() override;
    void ShowProgress(int32_t inc, int32_t& value, int32_t maxvalue) override;
    void closeProgress() override;
    void setBusy(bool) override {}

private:
    void drawProgress();

    std::istream& m_in;
    std::ostream& m_err;
    bool m_inIsTerminal;
    bool m_errIsTerminal;
    std::string m_program;
    std::string m_title;
    bool m_shown = false;
    bool m_drawn = false;
    ProgressBar m_bar;
};

} // namespace velmora
