#pragma once

#include "core/MessageBoxTables.h"
#include "core/UserInterface.h"
#include "dialogs/DialogLook.h"
#include "dialogs/FramedDialog.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string>

class QPushButton;

namespace velmora {

class DesktopServices;

// What a message box shows and how it may be answered.
struct MessageBoxRequest {
    QString prompt{};
    // A MessageStyle sum: the standard buttons, the picture, the sound and the focused button. Only
    // the known sums count; any other value shows no standard button and keeps `picture`.
    int32_t style = MessageStyle::Information;
    QString title{};   // empty keeps the blank title
    QString message{}; // a second text below the prompt, which then becomes a bold heading
    // Custom captions, left to right. Caption k answers k + 1. A group of the first three or of the
    // first two is moved right by one slot, so that it does not start at the far left.
    std::array<QString, messagebox::kSlots> captions{};
    int32_t picture = DialogPicture::Note; // shown when the style brings no picture
    QWidget* owner = nullptr;
    int16_t defaultButton = -1; // slot 0..3 (after the move) that takes the focus; others are ignored
    int16_t cancelButton = -1;  // slot 0..3 that Esc presses; others are ignored
    bool sound = true;
    int16_t closeAfterMs = 0; // > 0: the box closes itself after that long, answering Answer::None
};

// Shows a message box on a fresh window and waits until it closes. Returns the answer code of the
// button that closed it (an Answer, or k + 1 for custom caption k), and Answer::None when the box
// closed without a button press: closed by the window system, by its timer, or deleted with its
// owner. The style's sound is started, never waited for, and the window is kept above all others.
// When DialogTestHook holds a queued message-box answer, that answer is returned and nothing is shown.
int16_t showMessageBox(const MessageBoxRequest& request, DesktopServices& desktop);

// The message box window. Its four button slots are "btnSel0".."btnSel3" from left to right (each
// with the property "index" holding its slot number), its timer "tmrTimer".
class MessageBox : public FramedDialog {
    Q_OBJECT
public:
    explicit MessageBox(const MessageBoxRequest& request);

    // The sound that the style asks for.
    const std::string& soundName() const { return m_soundName; }
    int16_t answer() const { return m_result; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void fillButtons(const MessageBoxRequest& request, const messagebox::ButtonSet& set);
    void activate();
    bool pressAccessLetter(char16_t typed);
    void onButtonClicked(int slot);
    void onTimeout();
    void setDefaultSlot(int slot);

    std::array<QPushButton*, messagebox::kSlots> m_buttons{};
    std::array<int16_t, messagebox::kSlots> m_slotAnswer{};
    int m_firstSlot = 0; // focused on activation when it is visible
    int m_cancelSlot = -1;
    std::string m_soundName;
    bool m_activated = false;
    int16_t m_result = messagebox::answerCode(Answer::None);
};

} // namespace velmora
