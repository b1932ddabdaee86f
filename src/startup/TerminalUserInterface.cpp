#include "startup/TerminalUserInterface.h"

#include "core/TextUtil.h"

#include <istream>
#include <ostream>

namespace velmora {

namespace {

// The title the progress window has when nobody set one.
constexpr const char* kDesignTitle = "Loading";
constexpr int32_t kBarColumns = 30;

// The message box's button sets (the low four bits of Buttons).
constexpr int32_t kOkOnly = 0;
constexpr int32_t kOkCancel = 1;
constexpr int32_t kRetryCancel = 5;

// The results of a Yes and of a No answer for a button set: OK/Cancel, Retry/Cancel, Yes/No.
int32_t yesResult(int32_t set) {
    return set == kOkCancel ? 1 : set == kRetryCancel ? 4 : 6;
}
int32_t noResult(int32_t set) {
    return set == kOkCancel || set == kRetryCancel ? 2 : 7;
}

} // namespace

TerminalUserInterface::TerminalUserInterface(std::istream& in, std::ostream& err, bool inIsTerminal, bool errIsTerminal,
                                             std::string program)
    : m_in(in), m_err(err), m_inIsTerminal(inIsTerminal), m_errIsTerminal(errIsTerminal), m_program(std::move(program)),
      m_title(kDesignTitle) {}

int32_t TerminalUserInterface::ShowMsgBox(const std::string& prompt, int32_t buttons) {
    const int32_t set = buttons & 0xF;
    if (set == kOkOnly) {
        m_err << m_program << ": " << prompt << std::endl;
        return 1;
    }
    if (!m_inIsTerminal) {
        m_err << m_program << ": " << prompt << " Answered No: standard input is not a terminal." << std::endl;
        return noResult(set);
    }
    m_err << prompt << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(m_in, answer)) {
        m_err << std::endl;
        return noResult(set);
    }
    const std::string word = asciiLowered(trimSpaces(answer));
    return word == "y" || word == "yes" ? yesResult(set) : noResult(set);
}

void TerminalUserInterface::reportError(const std::string& message) {
    m_err << m_program << ": " << message << std::endl;
}

void TerminalUserInterface::setProgressTitle(const std::string& title) {
    m_title = title;
}

void TerminalUserInterface::showProgress() {
    m_shown = true;
}

void TerminalUserInterface::ShowProgress(int32_t inc, int32_t& value, int32_t maxvalue) {
    const std::string before = m_bar.percentText;
    if (advanceProgress(m_bar, inc, value, maxvalue) && m_shown && m_errIsTerminal && m_bar.percentText != before)
        drawProgress();
}

void TerminalUserInterface::drawProgress() {
    const int32_t filled = (m_bar.barWidth * kBarColumns + m_bar.trackWidth / 2) / m_bar.trackWidth;
    m_err << '\r' << m_title << " [" << std::string(static_cast<size_t>(filled), '#')
          << std::string(static_cast<size_t>(kBarColumns - filled), ' ') << "] " << m_bar.percentText << "\x1b[K"
          << std::flush;
    m_drawn = true;
}

void TerminalUserInterface::closeProgress() {
    if (m_drawn)
        m_err << '\r' << "\x1b[K" << std::flush;
    m_drawn = false;
    m_shown = false;
    m_bar = ProgressBar{};
    m_title = kDesignTitle;
}

} // namespace velmora
