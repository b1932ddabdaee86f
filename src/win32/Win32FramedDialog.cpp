#include "win32/Win32FramedDialog.h"

#include "win32/Win32Look.h"
#include "win32/Win32Pictures.h"

#include <vector>

namespace velmora {

namespace {

// The panel reaches just past the window's edges, so only its lower border shows.
constexpr TwipsRect kPanel{-30, -15, 5715, 1995};
constexpr double kTextPoints = 9.75;
constexpr double kButtonPoints = 8.25;
constexpr int kPromptId = 1;
constexpr int kMessageId = 2;

RECT pixels(const TwipsRect& place) {
    return win32::twipsRect(place.left, place.top, place.width, place.height);
}

// The other windows of this thread that take input now; the dialog is modal to all of them.
std::vector<HWND> enabledWindows(HWND except) {
    std::vector<HWND> windows;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) {
            if (IsWindowEnabled(window) && IsWindowVisible(window))
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    std::erase(windows, except);
    return windows;
}

} // namespace

Win32FramedDialog::Win32FramedDialog(HWND owner, const wchar_t* className, const Win32FrameLayout& layout,
                                     bool boldPrompt)
    : m_owner(owner), m_layout(layout) {
    win32::registerWindowClass(className);
    create(className, L" ", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME,
           win32::twips(kClientWidth), win32::twips(layout.clientHeight), owner);
    SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(win32::tahomaFont(kButtonPoints)), FALSE);
    const DWORD textStyle = SS_LEFT | SS_NOPREFIX;
    m_prompt = addControl(L"STATIC", L"", textStyle, 0, pixels(layout.prompt), kPromptId,
                          win32::tahomaFont(kTextPoints, boldPrompt));
    m_message =
        addControl(L"STATIC", L"", textStyle, 0, pixels(layout.message), kMessageId, win32::tahomaFont(kTextPoints));
}

void Win32FramedDialog::showContent(const std::wstring& prompt, const std::wstring& title, const std::wstring& message,
                                    int32_t picture) {
    SetWindowTextW(m_prompt, prompt.c_str());
    SetWindowTextW(m_message, message.c_str());
    if (!title.empty())
        SetWindowTextW(handle(), title.c_str());
    m_picture = win32::dialogPicture(picture);
}

void Win32FramedDialog::runModal() {
    HWND window = handle();
    if (!window)
        return;
    const std::vector<HWND> blocked = enabledWindows(window);
    for (HWND other : blocked)
        EnableWindow(other, FALSE);
    win32::centre(window, m_owner);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    onShown();
    MSG message;
    while (!isClosed()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // Quitting: the loop that runs the program sees the request too.
            if (got == 0)
                PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (handle() && takeKey(message))
            continue;
        if (handle() && IsDialogMessageW(handle(), &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // The others take input again before this one hides, so that the owner becomes the active window.
    for (HWND other : blocked) {
        if (IsWindow(other))
            EnableWindow(other, TRUE);
    }
    if (handle())
        ShowWindow(handle(), SW_HIDE);
}

LRESULT Win32FramedDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_CTLCOLORSTATIC:
        // The texts stand on the white panel.
        SetBkColor(reinterpret_cast<HDC>(wParam), win32::kWhite);
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_CLOSE:
        close();
        return 0;
    default:
        return Window::onMessage(message, wParam, lParam);
    }
}

void Win32FramedDialog::paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle(), &paint);
    const RECT panel = pixels(kPanel);
    HBRUSH outline = GetSysColorBrush(COLOR_BTNSHADOW);
    FillRect(dc, &panel, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &panel, outline);
    if (m_picture) {
        // At its own size, from the top left of its place, as much of it as fits there.
        const RECT place = pixels(m_layout.picture);
        RECT drawn{place.left, place.top, place.left + m_picture->width, place.top + m_picture->height};
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, place.left, place.top, place.right, place.bottom);
        win32::drawPicture(dc, *m_picture, drawn);
        RestoreDC(dc, saved);
    }
    EndPaint(handle(), &paint);
}

} // namespace velmora
