#pragma once

#include "core/Progress.h"

#include <QWidget>

class QFrame;
class QLabel;

namespace velmora {

// The progress window: a small tool window with a track, a bar that grows from the left and a
// whole-number percentage below it. Each instance starts with the design values (the 30-twip stub,
// no text, the title "Loading"); closing it means deleting it, so every showing starts afresh.
class formProgress : public QWidget {
    Q_OBJECT
public:
    explicit formProgress(QWidget* owner = nullptr);

    // One step: draws value / maxvalue when the bar grows, then advances value by inc.
    // Returns true when something on screen changed (a whole pixel of bar or a whole percent).
    bool ShowProgress(int32_t inc, int32_t& value, int32_t maxvalue);

    const ProgressBar& bar() const { return m_bar; }
    QFrame* Shape1 = nullptr; // the track
    QFrame* Shape2 = nullptr; // the bar
    QLabel* lblPercent = nullptr;

private:
    ProgressBar m_bar;
};

} // namespace velmora
