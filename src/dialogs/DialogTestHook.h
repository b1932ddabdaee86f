#pragma once

// A seam for testing code that asks questions, without a window and without a modal loop.
//
// While answers are queued, ShowMsgBox() takes the next message-box answer and ShowInputBox() the next
// input-box answer instead of showing anything: nothing is drawn, no sound is played and no window is
// made topmost. Each call answered this way is recorded in asked(), in call order. The two queues are
// separate; a call whose own queue is empty shows the real dialog (and is not recorded), so a test
// that queues too few answers sees a dialog rather than a made-up answer. An input-box answer is
// returned exactly as queued: neither the upper-case nor the numbers-only conversion is applied.
//
// The hook is process-wide and not thread-safe, like the dialogs themselves. Call reset() in a test's
// set-up or tear-down so that no answer leaks into the next test.

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace velmora::DialogTestHook {

enum class Dialog { MsgBox, InputBox };

// One question answered by the hook. For a message box `defaultText` is empty; for an input box
// `buttons` is 0.
struct Asked {
    Dialog dialog = Dialog::MsgBox;
    QString prompt;
    int32_t buttons = 0;
    QString title;
    QString defaultText;
    int32_t icon = 0;
    QString text; // the second message
};

void queueMsgBoxAnswer(int32_t answer);
void queueInputBoxAnswer(const QString& answer);

// True while at least one answer of either kind is queued.
bool active();

// The questions answered by the hook since the last reset(), oldest first.
const std::vector<Asked>& asked();

// Drops the queued answers and the record.
void reset();

// Used by the dialogs: the next queued answer, after recording the question; nothing when the queue
// of that kind is empty.
std::optional<int32_t> takeMsgBoxAnswer(const Asked& question);
std::optional<QString> takeInputBoxAnswer(const Asked& question);

} // namespace velmora::DialogTestHook
