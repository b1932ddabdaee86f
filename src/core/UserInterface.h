#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// How the document logic talks to the user: questions and notices, the progress window and the
// busy pointer. Implemented by the Qt dialogs, by the terminal and by test fakes.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // Asks with the message box: prompt and button set, every other argument at its default.
    // Returns the result code (1 OK, 2 Cancel, 4 Retry, 6 Yes, 7 No, 0 closed without a button).
    virtual int32_t ShowMsgBox(const std::string& prompt, int32_t buttons) = 0;

    // A failure the user must know of (a save that did not happen), with the path and the reason.
    virtual void reportError(const std::string& message) = 0;

    // The progress protocol: set the title (optional), show, one step per line, close. After a
    // close the next use starts afresh with the design title.
    virtual void setProgressTitle(const std::string& title) = 0;
    virtual void showProgress() = 0;
    virtual void ShowProgress(int32_t inc, int32_t& value, int32_t maxvalue) = 0;
    virtual void closeProgress() = 0;

    // The hourglass pointer over the main window.
    virtual void setBusy(bool busy) = 0;
};

} // namespace velmora
