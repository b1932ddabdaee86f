#pragma once

#include "core/Progress.h"

#include <QElapsedTimer>
#include <QWidget>

class QFrame;
class QLabel;

namespace velmora {

// The progress window: a small fixed-size tool window ("formProgress") with a title and no minimise or
// maximise button, a track ("Shape1"), a bar ("Shape2") that grows from the left and a whole-number
// percentage below it ("lblPercent"). A title that would not fit beside the title bar's buttons widens
// the window about its centre. Each window starts with the stub of a bar, no text and the title
// "Loading"; closing it means deleting it, so every showing starts afresh. Its close button only hides
// it: the work goes on.
class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* owner = nullptr);

    // Draws value / maximum when the bar grows, then advances value by increment (see advanceProgress).
    void step(int32_t increment, int32_t& value, int32_t maximum);
    int32_t quietUntil(int32_t value, int32_t maximum) const { return progressQuietUntil(m_progress, value, maximum); }

protected:
    void changeEvent(QEvent* event) override;

private:
    void fitTitle();

    QWidget* m_content = nullptr;
    QFrame* m_bar;
    QLabel* m_percent;
    ProgressBar m_progress;
    QElapsedTimer m_painted; // since the last painting
};

} // namespace velmora
