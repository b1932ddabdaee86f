#pragma once

#include <windows.h>

namespace velmora::win32 {

// Registers (once) a window class of that name whose window procedure hands every message to the
// Window object the window was created for. The class name is the form's name ("formVelmora",
// "vbMsgBox", ...), by which tests and scripts find the window.
void registerWindowClass(const wchar_t* className, HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

// A top-level window of one of those classes. The object outlives its window: when the window is
// destroyed (by the object's destructor, or with its owner), handle() becomes null.
class Window {
public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND handle() const { return m_window; }

protected:
    Window() = default;
    // Creates the window of the given style, with a client area of the given size in pixels, owned by
    // owner (may be null), with a menu bar when menu is given.
    bool create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int clientWidth,
                int clientHeight, HWND owner, HMENU menu = nullptr);
    // The window's messages; what it does not handle goes to DefWindowProc.
    virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Called when the window is gone (its handle is already null).
    virtual void onDestroyed() {}

    // A child control of a system class at a place in pixels.
    HWND addControl(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, const RECT& place,
                    int id, HFONT font);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
};

// Places a window centred over another one, or over the screen's work area when `over` is null.
void centre(HWND window, HWND over);

} // namespace velmora::win32
