#pragma once

#include "core/DialogPicture.h"
#include "core/MessageBoxTables.h"
#include "core/UserInterface.h"
#include "win32/Win32FramedDialog.h"

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

class Win32Desktop;

// What a message box shows and how it may be answered (as the Qt MessageBoxRequest).
struct Win32MessageBoxRequest {
    std::wstring prompt{};
    // A MessageStyle sum: the standard buttons, the picture, the sound and the focused button. Only
    // the known sums count; any other value shows no standard button and keeps `picture`.
    int32_t style = MessageStyle::Information;
    std::wstring title{};   // empty keeps the blank title
    std::wstring message{}; // a second text below the prompt, which then becomes a bold heading
    // Custom captions, left to right. Caption k answers k + 1. A group of the first three or of the
    // first two is moved right by one slot, so that it does not start at the far left.
    std::array<std::wstring, messagebox::kSlots> captions{};
    int32_t picture = DialogPicture::Note; // shown when the style brings no picture
    HWND owner = nullptr;
    int16_t defaultButton = -1; // slot 0..3 (after the move) that takes the focus; others are ignored
    int16_t cancelButton = -1;  // slot 0..3 that Esc presses; others are ignored
    bool sound = true;
    int16_t closeAfterMs = 0; // > 0: the box closes itself after that long, answering Answer::None
};

// Shows a message box on a fresh window and waits until it closes. Returns the answer code of the
// button that closed it (an Answer, or k + 1 for custom caption k), and Answer::None when the box
// closed without a button press: by its close box, by its timer, or with its owner. The style's sound
// is started, never waited for, and the window is kept above all others.
// When the Win32 DialogTestHook holds a queued message-box answer, that answer is returned and nothing
// is shown.
int16_t showWin32MessageBox(const Win32MessageBoxRequest& request, Win32Desktop& desktop);

// The message box window ("vbMsgBox"). Its four button slots are the controls kFirstSlotId + 0..3
// ("btnSel0".."btnSel3") from left to right.
class Win32MessageBox : public Win32FramedDialog {
public:
    static constexpr int kFirstSlotId = 100;

    explicit Win32MessageBox(const Win32MessageBoxRequest& request);

    // The sound that the style asks for.
    const std::string& soundName() const { return m_soundName; }
    int16_t answer() const { return m_result; }

private:
    bool takeKey(const MSG& message) override;
    void onShown() override;
    void onCommand(int id, int code) override;
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void fillButtons(const Win32MessageBoxRequest& request, const messagebox::ButtonSet& set);
    void setDefaultSlot(int slot);
    void press(int slot);
    int focusedSlot() const;
    bool visible(int slot) const;

    std::array<HWND, messagebox::kSlots> m_buttons{};
    std::array<int16_t, messagebox::kSlots> m_slotAnswer{};
    int m_firstSlot = 0; // focused on activation when it is visible
    int m_defaultSlot = -1;
    int m_cancelSlot = -1;
    std::string m_soundName;
    int16_t m_result = messagebox::answerCode(Answer::None);
};

} // namespace velmora
