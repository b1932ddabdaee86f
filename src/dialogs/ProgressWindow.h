#pragma once

#include "core/Progress.h"

#include <QElapsedTimer>
#include <QWidget>

#include <atomic>

class QFrame;
class QLabel;
class QPushButton;

namespace velmora {

class TitleBar;

// The progress window: a small fixed-size tool window ("formProgress") with its own title bar and no
// minimise or maximise button (see TitleBar), a track ("Shape1"), a bar ("Shape2") that grows from the
// left and a whole-number percentage below it ("lblPercent"). A title that would not fit in the title
// bar widens the window about its centre. Each window starts with the stub of a bar, no text and the
// title "Loading"; closing it means deleting it, so every showing starts afresh. Its close button only
// hides it: the work goes on, unless the work offered a Cancel.
class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* owner = nullptr);

    // Draws value / maximum when the bar grows, then advances value by increment (see advanceProgress).
    void step(int32_t increment, int32_t& value, int32_t maximum);
    int32_t quietUntil(int32_t value, int32_t maximum) const { return progressQuietUntil(m_progress, value, maximum); }

    // A Cancel button ("btnCancel") below the percentage, before the window is shown: it, the close
    // button and Esc set `cancel`, and the window takes the user's input only for itself while it is up
    // (it is modal), as the work goes on.
    void offerCancel(std::atomic<bool>* cancel);
    // Lets the user press Cancel while the work runs on this thread: at most every few hundredths of a
    // second the window's events are taken, and input to any other window waits. Nothing without a Cancel.
    void takeUserInput();
    // Takes the user's input for this window alone (modal), Cancel or not: work that waits beside the
    // event loop must not be joined by another operation.
    void holdInput();
    // The bytes received so far below the bar, of total when it is known (then with the percentage).
    void showReceived(uint64_t received, uint64_t total);
    // Shows the window painted: waits (a second at most) until the window system has put it on screen,
    // since a window shown just before long work would otherwise stay blank to its end.
    void showPainted();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitTitle();
    void cancel();

    TitleBar* m_titleBar = nullptr;
    QWidget* m_content = nullptr;
    QFrame* m_bar;
    QLabel* m_percent;
    QPushButton* m_cancelButton = nullptr;
    std::atomic<bool>* m_cancel = nullptr;
    ProgressBar m_progress;
    QElapsedTimer m_painted; // since the last painting
    QElapsedTimer m_input;   // since the user's input was last taken
};

} // namespace velmora
