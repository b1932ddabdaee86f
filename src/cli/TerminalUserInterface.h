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
class TerminalUserInterface : public UserInterface, private ProgressSink {
public:
    TerminalUserInterface(std::istream& in, std::ostream& err, bool inIsTerminal, bool errIsTerminal,
                          std::string program = "velmora");

    Answer ask(const std::string& question, int32_t style) override;
    void notify(const std::string& message) override;
    void reportError(const std::string& message) override;
    // Nothing is typed in an unattended run: no text, no file.
    std::string askText(const std::string&, const std::string&, const std::string&, bool) override { return {}; }
    std::string chooseSaveFile(const std::string&) override { return {}; }
    ProgressSink& progress() override { return *this; }
    void setBusy(bool) override {}
    // Whether the terminal on standard error understands the escape sequence that clears the rest of
    // a line (see prepareStandardStreams); without it the bar is wiped with spaces, so that a console
    // that does not process escapes never shows them as text.
    void setEscapeSequences(bool understood) { m_escapes = understood; }

private:
    void setTitle(const std::string& title) override;
    void show() override;
    void step(int32_t increment, int32_t& value, int32_t maximum) override;
    int32_t quietUntil(int32_t value, int32_t maximum) const override {
        return progressQuietUntil(m_bar, value, maximum);
    }
    void close() override;
    void draw();

    std::istream& m_in;
    std::ostream& m_err;
    bool m_inIsTerminal;
    bool m_errIsTerminal;
    std::string m_program;
    std::string m_title;
    bool m_shown = false;
    bool m_drawn = false;
    bool m_escapes = true;
    size_t m_drawnWidth = 0; // the bytes of the line last drawn
    ProgressBar m_bar;
};

} // namespace velmora
