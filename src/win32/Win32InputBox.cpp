#include "win32/Win32InputBox.h"

#include "platform/Win32Desktop.h"
#include "win32/Win32DialogTestHook.h"
#include "win32/Win32Look.h"

namespace velmora {

namespace {

// The window's layout, in twips.
constexpr Win32FrameLayout kLayout{2580, {180, 180, 480, 480}, {840, 330, 4785, 510}, {840, 1230, 4815, 780}};
constexpr TwipsRect kEntryPlace{825, 840, 4635, 375};
constexpr TwipsRect kOkPlace{2910, 2055, 1260, 480};
constexpr TwipsRect kCancelPlace{4305, 2055, 1260, 480};

RECT pixels(const TwipsRect& place) {
    return win32::twipsRect(place.left, place.top, place.width, place.height);
}

} // namespace

Win32InputBox::Win32InputBox(const Win32InputBoxRequest& request)
    : Win32FramedDialog(request.owner, L"vbInputBox", kLayout, true) {
    HFONT font = win32::tahomaFont(8.25);
    m_entry =
        addControl(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, pixels(kEntryPlace), kEntryId, font);
    m_ok = addControl(L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, pixels(kOkPlace), kOkId, font);
    m_cancel = addControl(L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, pixels(kCancelPlace), kCancelId, font);
    showContent(request.prompt, request.title, request.message, request.picture);
    SetWindowTextW(m_entry, request.suggestion.c_str());
}

void Win32InputBox::onShown() {
    SetFocus(m_entry);
}

bool Win32InputBox::takeKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || (message.hwnd != handle() && GetParent(message.hwnd) != handle()))
        return false;
    if (message.wParam == VK_ESCAPE) {
        close();
        return true;
    }
    if (message.wParam == VK_RETURN) {
        // Enter on Cancel cancels; anywhere else it is OK.
        if (GetFocus() == m_cancel)
            close();
        else
            onCommand(kOkId, BN_CLICKED);
        return true;
    }
    return false;
}

void Win32InputBox::onCommand(int id, int code) {
    if (id == kEntryId && code == EN_SETFOCUS) {
        // Each time the field gets the focus its whole text is selected, so that typing replaces it.
        SendMessageW(m_entry, EM_SETSEL, 0, -1);
    } else if (id == kOkId && code == BN_CLICKED) {
        m_result = win32::windowText(m_entry);
        close();
    } else if (id == kCancelId && code == BN_CLICKED) {
        close();
    }
}

std::wstring showWin32InputBox(const Win32InputBoxRequest& request, Win32Desktop& desktop) {
    win32::DialogTestHook::Asked question;
    question.dialog = win32::DialogTestHook::Dialog::InputBox;
    question.prompt = request.prompt;
    question.title = request.title;
    question.suggestion = request.suggestion;
    question.picture = request.picture;
    question.message = request.message;
    if (const auto answer = win32::DialogTestHook::takeInputBoxAnswer(question))
        return *answer;

    // A fresh window for every call, so nothing of the previous box survives.
    Win32InputBox box(request);
    desktop.makeTopmost(box.handle());
    box.runModal();
    return box.enteredText();
}

} // namespace velmora
