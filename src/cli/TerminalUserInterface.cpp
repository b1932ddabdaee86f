#include "cli/TerminalUserInterface.h"

#include "core/TextUtil.h"

#include <algorithm>
#include <istream>
#include <ostream>

namespace velmora {

namespace {

// The title progress has when nobody set one.
constexpr const char* kDefaultTitle = "Loading";
constexpr int32_t kBarColumns = 30;
// The button set is the low four bits of a message style.
constexpr int32_t kButtonSetMask = 0xF;

// The answers a typed yes and no stand for, by button set: OK/Cancel, Retry/Cancel, Yes/No.
Answer yesAnswer(int32_t set) {
    return set == MessageStyle::OkCancel ? Answer::Ok : set == MessageStyle::RetryCancel ? Answer::Retry : Answer::Yes;
}
Answer noAnswer(int32_t set) {
    return set == MessageStyle::OkCancel || set == MessageStyle::RetryCancel ? Answer::Cancel : Answer::No;
}

} // namespace

TerminalUserInterface::TerminalUserInterface(std::istream& in, std::ostream& err, bool inIsTerminal, bool errIsTerminal,
                                             std::string program)
    : m_in(in), m_err(err), m_inIsTerminal(inIsTerminal), m_errIsTerminal(errIsTerminal), m_program(std::move(program)),
      m_title(kDefaultTitle) {}

Answer TerminalUserInterface::ask(const std::string& prompt, int32_t style) {
    const int32_t set = style & kButtonSetMask;
    if (set == MessageStyle::Ok) {
        notify(prompt);
        return Answer::Ok;
    }
    if (!m_inIsTerminal) {
        m_err << m_program << ": " << prompt << " Answered No: standard input is not a terminal." << std::endl;
        return noAnswer(set);
    }
    m_err << prompt << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(m_in, answer)) {
        m_err << std::endl;
        return noAnswer(set);
    }
    const std::string word = asciiLowered(trimSpaces(answer));
    return word == "y" || word == "yes" ? yesAnswer(set) : noAnswer(set);
}

void TerminalUserInterface::notify(const std::string& message) {
    m_err << m_program << ": " << message << std::endl;
}

void TerminalUserInterface::reportError(const std::string& message) {
    m_err << m_program << ": " << message << std::endl;
}

void TerminalUserInterface::setTitle(const std::string& title) {
    m_title = title;
}

void TerminalUserInterface::show() {
    m_shown = true;
}

void TerminalUserInterface::step(int32_t increment, int32_t& value, int32_t maximum) {
    const std::string before = m_bar.percentText;
    if (advanceProgress(m_bar, increment, value, maximum) && m_shown && m_errIsTerminal && m_bar.percentText != before)
        draw();
}

void TerminalUserInterface::draw() {
    const int32_t filled = (m_bar.barWidth * kBarColumns + m_bar.trackWidth / 2) / m_bar.trackWidth;
    const std::string line = m_title + " [" + std::string(static_cast<size_t>(filled), '#') +
                             std::string(static_cast<size_t>(kBarColumns - filled), ' ') + "] " + m_bar.percentText;
    m_err << '\r' << line;
    if (m_escapes)
        m_err << "\x1b[K";
    else if (line.size() < m_drawnWidth)
        m_err << std::string(m_drawnWidth - line.size(), ' ');
    m_err << std::flush;
    m_drawnWidth = std::max(line.size(), m_drawnWidth);
    m_drawn = true;
}

void TerminalUserInterface::close() {
    if (m_drawn) {
        m_err << '\r';
        if (m_escapes)
            m_err << "\x1b[K";
        else
            m_err << std::string(m_drawnWidth, ' ') << '\r';
        m_err << std::flush;
    }
    m_drawnWidth = 0;
    m_drawn = false;
    m_shown = false;
    m_bar = ProgressBar{};
    m_title = kDefaultTitle;
}

} // namespace velmora
