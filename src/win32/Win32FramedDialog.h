#pragma once

#include "win32/Win32Look.h"
#include "win32/Win32Window.h"

#include <cstdint>
#include <string>

namespace velmora {

namespace win32 {
struct Picture;
}

// Where a framed dialog puts its picture and texts. Every framed dialog has the same width and the same
// white panel across the top; the height and the places of picture, prompt and message vary.
struct Win32FrameLayout {
    int clientHeight = 0;
    TwipsRect picture;
    TwipsRect prompt;
    TwipsRect message;
};

// The window that the Win32 message box and input box are built on, as the Qt ones are built on
// FramedDialog: a fixed-size dialog with a white panel ("Shape1") holding the picture ("imgIcon"), the
// prompt ("lblLabel") and a second message ("lblMessage"), and the title " " until one is given.
class Win32FramedDialog : public win32::Window {
public:
    static constexpr int kClientWidth = 5670;

    // Shows the dialog and waits until it closes: by one of its buttons, its close box, or with the
    // window that owns it. Meanwhile the program's other windows take no input.
    void runModal();
    bool isClosed() const { return m_closed; }

protected:
    Win32FramedDialog(HWND owner, const wchar_t* className, const Win32FrameLayout& layout, bool boldPrompt);

    // Texts and picture; an empty title keeps the one shown.
    void showContent(const std::wstring& prompt, const std::wstring& title, const std::wstring& message,
                     int32_t picture);
    // Ends the modal loop; the window stays until the object goes.
    void close() { m_closed = true; }

    // The dialog's own keys, before the focused control and the Tab handling see them; true when taken.
    virtual bool takeKey(const MSG& message) = 0;
    // Called once the dialog shows, to put the focus where it belongs.
    virtual void onShown() = 0;
    // A command from one of the dialog's controls.
    virtual void onCommand(int id, int code) = 0;
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onDestroyed() override { m_closed = true; }

    HWND m_owner;
    HWND m_prompt = nullptr;
    HWND m_message = nullptr;

private:
    void paint();

    Win32FrameLayout m_layout;
    const win32::Picture* m_picture = nullptr;
    bool m_closed = false;
};

} // namespace velmora
