#include "win32/Win32ProgressWindow.h"

#include "win32/Win32Look.h"

#include <algorithm>

namespace velmora {

namespace {

// The window's layout, in twips. The bar starts at the track's left edge, one pixel taller.
constexpr int kClientWidth = 2595;
constexpr int kClientHeight = 765;
constexpr int kTrackLeft = 60;
constexpr int kTrackTop = 210;
constexpr int kTrackHeight = 300;
constexpr int kBarHeight = 315;
constexpr int kPercentLeft = 45;
constexpr int kPercentTop = 555;
constexpr int kPercentWidth = 2475;
constexpr int kPercentHeight = 225;
// What sits beside the title in the title bar: the close box and the gaps around it, as in the Qt
// window's reckoning.
constexpr int kTitleBarFurniture = 1650;
// No more often than a screen shows frames: a million-line file is read in less time than its bar
// would take to paint every pixel it grows.
constexpr DWORD kFrameMs = 16;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;

} // namespace

Win32ProgressWindow::Win32ProgressWindow(HWND owner) {
    win32::registerWindowClass(L"formProgress");
    create(L"formProgress", L"Loading", kStyle, kExStyle, win32::twips(kClientWidth), win32::twips(kClientHeight),
           owner);
    // First placed at the centre of the screen.
    win32::centre(handle(), nullptr);
}

void Win32ProgressWindow::setTitle(const std::wstring& title) {
    SetWindowTextW(handle(), title.c_str());
    fitTitle();
}

void Win32ProgressWindow::show() {
    ShowWindow(handle(), SW_SHOWNOACTIVATE);
    UpdateWindow(handle());
}

int Win32ProgressWindow::barWidth() const {
    return win32::twips(kTrackLeft + m_progress.barWidth) - win32::twips(kTrackLeft);
}

void Win32ProgressWindow::step(int32_t increment, int32_t& value, int32_t maximum) {
    if (!advanceProgress(m_progress, increment, value, maximum))
        return;
    // The bar grows in twips; the screen only sees whole pixels and whole percents.
    if (barWidth() == m_shownWidth && m_progress.percentText == m_shownText)
        return;
    m_shownWidth = barWidth();
    m_shownText = m_progress.percentText;
    InvalidateRect(handle(), nullptr, FALSE);
    const DWORD now = GetTickCount();
    if (IsWindowVisible(handle()) && (!m_painted || now - m_paintedAt >= kFrameMs)) {
        // Painted at once: the work holds the message loop meanwhile. A look at the queue tells the
        // system the program still answers, without taking any input.
        UpdateWindow(handle());
        MSG ignored;
        PeekMessageW(&ignored, nullptr, 0, 0, PM_NOREMOVE);
        m_paintedAt = now;
        m_painted = true;
    }
}

LRESULT Win32ProgressWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_CLOSE:
        ShowWindow(handle(), SW_HIDE);
        return 0;
    default:
        return Window::onMessage(message, wParam, lParam);
    }
}

void Win32ProgressWindow::paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle(), &paint);
    RECT client;
    GetClientRect(handle(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    RECT track = win32::twipsRect(kTrackLeft, kTrackTop, ProgressBar::kTrackWidth, kTrackHeight);
    OffsetRect(&track, m_contentLeft, 0);
    FrameRect(dc, &track, GetSysColorBrush(COLOR_WINDOWTEXT));
    RECT bar = win32::twipsRect(kTrackLeft, kTrackTop, m_progress.barWidth, kBarHeight);
    OffsetRect(&bar, m_contentLeft, 0);
    FillRect(dc, &bar, GetSysColorBrush(COLOR_HIGHLIGHT));
    RECT percent = win32::twipsRect(kPercentLeft, kPercentTop, kPercentWidth, kPercentHeight);
    OffsetRect(&percent, m_contentLeft, 0);
    const std::wstring text = win32::wide(m_progress.percentText);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    const HGDIOBJ old = SelectObject(dc, win32::msSansSerifFont(8.25));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &percent, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    SelectObject(dc, old);
    EndPaint(handle(), &paint);
}

void Win32ProgressWindow::fitTitle() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return;
    HFONT titleFont = CreateFontIndirectW(&metrics.lfSmCaptionFont);
    HDC dc = GetDC(handle());
    const HGDIOBJ old = SelectObject(dc, titleFont);
    const std::wstring title = win32::windowText(handle());
    SIZE size{};
    GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(handle(), dc);
    DeleteObject(titleFont);

    const int content = win32::twips(kClientWidth);
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    const int width = std::max(content, std::min<int>(size.cx + win32::twips(kTitleBarFurniture), screen));
    RECT client;
    GetClientRect(handle(), &client);
    if (width == client.right)
        return;
    RECT frame{0, 0, width, win32::twips(kClientHeight)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    RECT now;
    GetWindowRect(handle(), &now);
    const int grown = width - client.right;
    SetWindowPos(handle(), nullptr, now.left - grown / 2, now.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    m_contentLeft = (width - content) / 2;
    InvalidateRect(handle(), nullptr, TRUE);
}

} // namespace velmora
