#pragma once

// Input for the Win32 window and dialogs as the user gives it: messages posted to the control with the
// focus and run through the same loop steps as the program's (the window's translate() or a dialog's
// modal loop), with Shift, Ctrl and Alt held in this thread's keyboard state meanwhile.

#include <windows.h>

#include <functional>
#include <string>

namespace velmora::test {

// Holds or lets go of the modifiers for this thread's key-state queries.
void holdKeys(bool shift, bool ctrl, bool alt = false);

// Runs what is queued through `translate` (the window's loop step), then TranslateMessage and
// DispatchMessage for what it does not take; until the queue is empty.
void pump(const std::function<bool(MSG&)>& translate = {});

// A key pressed and released on `target` with the modifiers held.
void postKey(HWND target, UINT virtualKey, bool ctrl = false, bool shift = false);
// Characters typed into `target`.
void postText(HWND target, const std::wstring& text);

// Runs `step(dialog, n)` for n = 0, 1, ... on the next window of that class that this thread shows
// (looked for every few milliseconds inside its modal loop, for 5 s at most), one step per tick until
// a step returns false. A window still up 5 s after it showed is closed, so that a failing test ends
// instead of hanging.
void whenShown(const wchar_t* className, std::function<bool(HWND dialog, int step)> step);

// True once the last step of whenShown's steps has run (on a window still up).
bool playedToTheEnd();

// The top-level window of that class that this thread shows, or null.
HWND shownWindow(const wchar_t* className);

} // namespace velmora::test
