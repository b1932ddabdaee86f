#pragma once

#include "core/Progress.h"
#include "win32/Win32Window.h"

#include <cstdint>
#include <string>

namespace velmora {

// The progress window ("formProgress"), as the Qt ProgressWindow: a small fixed-size tool window with a
// title and only a close box, a track ("Shape1"), a bar ("Shape2") that grows from the left and a
// whole-number percentage below it ("lblPercent"). A title that would not fit beside the title bar's
// buttons widens the window about its centre. Each window starts with the stub of a bar, no text and
// the title "Loading"; every showing is a fresh window. Its close box only hides it: the work goes on.
class Win32ProgressWindow : public win32::Window {
public:
    explicit Win32ProgressWindow(HWND owner = nullptr);

    void setTitle(const std::wstring& title);
    void show();
    // Draws value / maximum when the bar grows, then advances value by increment (see advanceProgress).
    void step(int32_t increment, int32_t& value, int32_t maximum);
    int32_t quietUntil(int32_t value, int32_t maximum) const { return progressQuietUntil(m_progress, value, maximum); }

    // What it shows: the bar's width in pixels and the percentage.
    int barWidth() const;
    const std::string& percentText() const { return m_progress.percentText; }

private:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void paint();
    void fitTitle();

    ProgressBar m_progress;
    int m_contentLeft = 0; // where the track's panel starts when a long title widened the window
    int m_shownWidth = -1;
    std::string m_shownText;
    DWORD m_paintedAt = 0;
    bool m_painted = false;
};

} // namespace velmora
