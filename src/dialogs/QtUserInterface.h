#pragma once

#include "core/UserInterface.h"

#include <QPointer>

#include <functional>

class QWidget;

namespace velmora {

class DesktopServices;
class ProgressWindow;

// The user interface of the window: the message box, the input box, the Save dialog, the progress
// window and the busy pointer, for a main window (or for none, in the unattended modes run with a
// display). It is its own progress sink, over one progress window at a time.
class QtUserInterface : public UserInterface, private ProgressSink {
public:
    explicit QtUserInterface(DesktopServices& desktop, QWidget* owner = nullptr);
    ~QtUserInterface() override;

    Answer ask(const std::string& question, int32_t style) override;
    void notify(const std::string& message) override;
    void reportError(const std::string& message) override;
    std::string askText(const std::string& prompt, const std::string& title, const std::string& suggestion,
                        bool withPicture) override;
    std::string chooseSaveFile(const std::string& suggestedPath) override;
    ProgressSink& progress() override;
    void setBusy(bool busy) override;

    // Runs `work` on a thread of its own while this thread goes on taking events, so that the windows
    // repaint and move and the progress window's Cancel can be pressed; `tick` runs on this thread every
    // few hundredths of a second meanwhile. The progress window, if one is up, takes the user's input
    // for itself until the work has ended (no other operation may start meanwhile). Returns when the
    // work has ended; an exception it ended with is thrown here.
    void waitBeside(const std::function<void()>& work, const std::function<void()>& tick);
    // The bytes a download has received, of total when known (0: not known), under the bar.
    void showReceived(uint64_t received, uint64_t total);

    // The window that the Save dialog and the progress window belong to.
    void setOwner(QWidget* owner) { m_owner = owner; }

private:
    void setTitle(const std::string& title) override;
    void show() override;
    void step(int32_t increment, int32_t& value, int32_t maximum) override;
    int32_t quietUntil(int32_t value, int32_t maximum) const override;
    void close() override;
    void offerCancel(std::atomic<bool>& cancel) override;
    void idle() override;
    ProgressWindow& progressWindow();

    DesktopServices& m_desktop;
    QWidget* m_owner;
    QPointer<ProgressWindow> m_progressWindow;
    // The window the user was in when the progress window came up, which gets the keyboard back.
    QPointer<QWidget> m_activeBefore;
};

} // namespace velmora
