#pragma once

#include "core/UserInterface.h"

#include <windows.h>

#include <iosfwd>
#include <memory>

namespace velmora {

class Win32Desktop;
class Win32ProgressWindow;

// The user interface of the Win32 window, as QtUserInterface is the Qt window's: the message box, the
// input box, the Save dialog, the progress window and the busy pointer, for a main window (or for none,
// in the unattended modes run on a desktop). It is its own progress sink, over one progress window at
// a time.
class Win32UserInterface : public UserInterface, private ProgressSink {
public:
    explicit Win32UserInterface(Win32Desktop& desktop, HWND owner = nullptr);
    ~Win32UserInterface() override;

    Answer ask(const std::string& question, int32_t style) override;
    void notify(const std::string& message) override;
    void reportError(const std::string& message) override;
    std::string askText(const std::string& prompt, const std::string& title, const std::string& suggestion,
                        bool withPicture) override;
    std::string chooseSaveFile(const std::string& suggestedPath) override;
    ProgressSink& progress() override;
    void setBusy(bool busy) override;

    // The window that the Save dialog and the progress window belong to.
    void setOwner(HWND owner) { m_owner = owner; }
    // Long work runs: the windows show the busy pointer.
    bool isBusy() const { return m_busy > 0; }
    // The progress window while one is up (for tests), else null.
    const Win32ProgressWindow* progressWindow() const { return m_progressWindow.get(); }

private:
    void setTitle(const std::string& title) override;
    void show() override;
    void step(int32_t increment, int32_t& value, int32_t maximum) override;
    int32_t quietUntil(int32_t value, int32_t maximum) const override;
    void close() override;
    Win32ProgressWindow& window();

    Win32Desktop& m_desktop;
    HWND m_owner;
    std::unique_ptr<Win32ProgressWindow> m_progressWindow;
    int m_busy = 0;
};

// The dialogs of an unattended run on a desktop, with no main window. A failed save is also written
// to a stream (standard error), so that the script that started the run can tell what went wrong.
class Win32BatchDialogs : public Win32UserInterface {
public:
    Win32BatchDialogs(Win32Desktop& desktop, std::ostream& errors);
    void reportError(const std::string& message) override;

private:
    std::ostream& m_errors;
};

} // namespace velmora
