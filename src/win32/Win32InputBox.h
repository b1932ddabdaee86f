#pragma once

#include "core/DialogPicture.h"
#include "win32/Win32FramedDialog.h"

#include <cstdint>
#include <string>

namespace velmora {

class Win32Desktop;

// What an input box asks (as the Qt InputBoxRequest).
struct Win32InputBoxRequest {
    std::wstring prompt{};
    std::wstring title{};      // empty keeps the blank title
    std::wstring suggestion{}; // the text the field starts with, all selected so that typing replaces it
    std::wstring message{};    // a second text below the field
    int32_t picture = DialogPicture::Note;
    HWND owner = nullptr;
};

// Asks for one line of text on a fresh window and waits until it closes. Returns the text entered
// when the user chose OK (or Enter); Cancel, Esc, the close box or the owner's going return an empty
// text. The window is kept above all others.
// When the Win32 DialogTestHook holds a queued input-box answer, that answer is returned and nothing is
// shown.
std::wstring showWin32InputBox(const Win32InputBoxRequest& request, Win32Desktop& desktop);

// The input box window ("vbInputBox"): the field kEntryId ("txtData") and the buttons kOkId ("btnOK")
// and kCancelId ("btnCancel").
class Win32InputBox : public Win32FramedDialog {
public:
    static constexpr int kEntryId = 100;
    static constexpr int kOkId = 101;
    static constexpr int kCancelId = 102;

    explicit Win32InputBox(const Win32InputBoxRequest& request);

    // The text the user confirmed; empty until OK is pressed.
    const std::wstring& enteredText() const { return m_result; }

private:
    bool takeKey(const MSG& message) override;
    void onShown() override;
    void onCommand(int id, int code) override;

    HWND m_entry;
    HWND m_ok;
    HWND m_cancel;
    std::wstring m_result;
};

} // namespace velmora
