#pragma once

// A seam for testing code that asks questions, without a window and without a modal loop; the Win32
// dialogs' counterpart of the Qt dialogs' DialogTestHook.
//
// While answers are queued, showWin32MessageBox() takes the next message-box answer and
// showWin32InputBox() the next input-box answer instead of showing anything: nothing is drawn, no sound
// is played and no window is made topmost. Each call answered this way is recorded in asked(), in call
// order. The two queues are separate; a call whose own queue is empty shows the real dialog (and is not
// recorded), so a test that queues too few answers sees a dialog rather than a made-up answer.
//
// The hook is process-wide and not thread-safe, like the dialogs themselves. Call reset() in a test's
// set-up or tear-down so that no answer leaks into the next test.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::win32::DialogTestHook {

enum class Dialog { MessageBox, InputBox };

// One question answered by the hook. A message box has no suggestion; an input box has style 0.
struct Asked {
    Dialog dialog = Dialog::MessageBox;
    std::wstring prompt;
    int32_t style = 0;
    std::wstring title;
    std::wstring suggestion;
    int32_t picture = 0;
    std::wstring message;
};

void queueMessageBoxAnswer(int16_t answer);
void queueInputBoxAnswer(const std::wstring& answer);

// True while at least one answer of either kind is queued.
bool active();

// The questions answered by the hook since the last reset(), oldest first.
const std::vector<Asked>& asked();

// Drops the queued answers and the record.
void reset();

// Used by the dialogs: the next queued answer, after recording the question; nothing when the queue
// of that kind is empty.
std::optional<int16_t> takeMessageBoxAnswer(const Asked& question);
std::optional<std::wstring> takeInputBoxAnswer(const Asked& question);

} // namespace velmora::win32::DialogTestHook
