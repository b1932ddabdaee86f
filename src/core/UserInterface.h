#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace velmora {

// Message-box styles: one button set, plus at most one picture, plus which button has the focus.
// The values add up as the message box expects them (Question | YesNo | DefaultButton2 is 292).
namespace MessageStyle {
inline constexpr int32_t Ok = 0;
inline constexpr int32_t OkCancel = 1;
inline constexpr int32_t YesNoCancel = 3;
inline constexpr int32_t YesNo = 4;
inline constexpr int32_t RetryCancel = 5;
inline constexpr int32_t Critical = 16;
inline constexpr int32_t Question = 32;
inline constexpr int32_t Exclamation = 48;
inline constexpr int32_t Information = 64;
inline constexpr int32_t DefaultButton2 = 256;
inline constexpr int32_t DefaultButton3 = 512; // Yes/No/Cancel boxes only
} // namespace MessageStyle

// The button that answered a message box. None: the box closed without a button press.
enum class Answer : int16_t { None = 0, Ok = 1, Cancel = 2, Retry = 4, Yes = 6, No = 7 };

// The progress of one long operation: set the title (optional), show, one step per line, close. After
// a close the next operation starts afresh with the default title.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setTitle(const std::string& title) = 0;
    virtual void show() = 0;
    // Draws value / maximum and then advances value by increment; see advanceProgress.
    virtual void step(int32_t increment, int32_t& value, int32_t maximum) = 0;
    // Up to which value steps would change nothing that shows (see progressQuietUntil); the caller
    // advances the value itself until then. By default every step is passed on.
    virtual int32_t quietUntil(int32_t value, int32_t maximum) const {
        (void)maximum;
        return value;
    }
    virtual void close() = 0;
    // Offers the user a way to stop this work (a download), until close(): the user's Cancel sets
    // `cancel`, which the work looks at, whichever thread it runs on. By default there is none (a
    // terminal has Ctrl+C). Called before show().
    virtual void offerCancel(std::atomic<bool>& cancel) { (void)cancel; }
    // The work waits (a download with nothing new to show): a window takes the user's Cancel meanwhile.
    virtual void idle() {}
};

// Steps of one piece of work against one maximum, leaving out the calls that would change nothing:
// on a million short lines the sink hears of a few thousand.
class ProgressSteps {
public:
    ProgressSteps(ProgressSink& sink, int32_t maximum)
        : m_sink(sink), m_maximum(maximum), m_quietUntil(sink.quietUntil(0, maximum)) {}
    void step(int32_t increment) {
        if (m_value < m_quietUntil) {
            const int64_t next = int64_t{m_value} + increment;
            if (next >= INT32_MIN && next <= INT32_MAX)
                m_value = static_cast<int32_t>(next);
            return;
        }
        m_sink.step(increment, m_value, m_maximum);
        m_quietUntil = m_sink.quietUntil(m_value, m_maximum);
    }

private:
    ProgressSink& m_sink;
    int32_t m_maximum;
    int32_t m_value = 0;
    int32_t m_quietUntil;
};

// How the document talks to the user: questions, notices, errors, progress and the busy state.
// Implemented by the Qt dialogs, by the terminal and by test fakes.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // Asks with the message box in the given MessageStyle.
    virtual Answer ask(const std::string& question, int32_t style) = 0;
    // A notice the user confirms with OK (a missing file, a text not found).
    virtual void notify(const std::string& message) = 0;
    // A failure the user must know of (a save that did not happen), with the path and the reason.
    virtual void reportError(const std::string& message) = 0;
    // Asks for one line of text; empty when the user cancels. withPicture shows the note picture.
    virtual std::string askText(const std::string& prompt, const std::string& title, const std::string& suggestion,
                                bool withPicture) = 0;
    // Where a save goes when no path is given: the user's choice, starting at the suggested file;
    // empty when the user cancels.
    virtual std::string chooseSaveFile(const std::string& suggestedPath) = 0;
    virtual ProgressSink& progress() = 0;
    // Long work is running: the busy pointer, and views may stop following each change.
    virtual void setBusy(bool busy) = 0;
};

} // namespace velmora
