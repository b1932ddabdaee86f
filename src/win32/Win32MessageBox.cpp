#include "win32/Win32MessageBox.h"

#include "platform/Win32Desktop.h"
#include "win32/Win32DialogTestHook.h"
#include "win32/Win32Look.h"

namespace velmora {

namespace {

// The window's layout, in twips.
constexpr Win32FrameLayout kLayout{2655, {195, 240, 480, 480}, {840, 330, 4800, 1560}, {840, 840, 4785, 1110}};
constexpr int kSlotLeft = 135;
constexpr int kSlotPitch = 1395;
constexpr int kSlotTop = 2055;
constexpr int kSlotWidth = 1260;
constexpr int kSlotHeight = 480;
constexpr UINT_PTR kCloseTimer = 1;

RECT slotPlace(int slot) {
    return win32::twipsRect(kSlotLeft + kSlotPitch * slot, kSlotTop, kSlotWidth, kSlotHeight);
}

bool held(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

} // namespace

Win32MessageBox::Win32MessageBox(const Win32MessageBoxRequest& request)
    : Win32FramedDialog(request.owner, L"vbMsgBox", kLayout, !request.message.empty()) {
    HFONT buttonFont = win32::tahomaFont(8.25);
    for (int i = 0; i < messagebox::kSlots; ++i) {
        // Hidden until a caption is put in.
        m_buttons[static_cast<size_t>(i)] = addControl(L"BUTTON", L"", BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP, 0,
                                                       slotPlace(i), kFirstSlotId + i, buttonFont);
        ShowWindow(m_buttons[static_cast<size_t>(i)], SW_HIDE);
    }
    // The delay counts from here; zero or less never fires.
    if (request.closeAfterMs > 0)
        SetTimer(handle(), kCloseTimer, static_cast<UINT>(request.closeAfterMs), nullptr);

    // With a second message the prompt becomes a bold heading ending where the message begins.
    if (!request.message.empty()) {
        const TwipsRect& prompt = kLayout.prompt;
        const RECT place = win32::twipsRect(prompt.left, prompt.top, prompt.width, kLayout.message.top - prompt.top);
        MoveWindow(m_prompt, place.left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
    }

    const messagebox::ButtonSet set = messagebox::decodeStyle(request.style);
    fillButtons(request, set);
    m_soundName = std::string(set.sound);
    showContent(request.prompt, request.title, request.message, set.picture >= 0 ? set.picture : request.picture);

    setDefaultSlot(request.defaultButton);
    if (request.cancelButton >= 0 && request.cancelButton < messagebox::kSlots)
        m_cancelSlot = request.cancelButton;
}

void Win32MessageBox::fillButtons(const Win32MessageBoxRequest& request, const messagebox::ButtonSet& set) {
    std::array<bool, messagebox::kSlots> given{};
    for (size_t k = 0; k < request.captions.size(); ++k)
        given[k] = !request.captions[k].empty();
    const messagebox::CaptionPlacement placement = messagebox::placeCustomCaptions(given);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const int k = placement.captionForSlot[i];
        if (k < 0)
            continue;
        SetWindowTextW(m_buttons[i], request.captions[static_cast<size_t>(k)].c_str());
        ShowWindow(m_buttons[i], SW_SHOW);
        m_slotAnswer[i] = placement.slotAnswer[i];
    }

    const messagebox::SlotFill fill = messagebox::fillStandardButtons(set, given);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        if (fill.filled[i].caption.empty())
            continue;
        SetWindowTextW(m_buttons[i], win32::wide(fill.filled[i].caption).c_str());
        ShowWindow(m_buttons[i], SW_SHOW);
        m_slotAnswer[i] = fill.filled[i].answer;
    }
    if (fill.centreSlot0) {
        const RECT place = slotPlace(0);
        const int left = win32::twips((kClientWidth - kSlotWidth) / 2);
        MoveWindow(m_buttons[0], left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
    }
    m_defaultSlot = fill.defaultSlot;
    if (m_defaultSlot >= 0)
        SendMessageW(m_buttons[static_cast<size_t>(m_defaultSlot)], BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    m_cancelSlot = fill.cancelSlot;
    setDefaultSlot(set.focusSlot);
}

void Win32MessageBox::setDefaultSlot(int slot) {
    // Tab then walks the visible slots from this one on, cyclically, in their order in the row.
    if (slot >= 0 && slot < messagebox::kSlots)
        m_firstSlot = slot;
}

bool Win32MessageBox::visible(int slot) const {
    return (GetWindowLongW(m_buttons[static_cast<size_t>(slot)], GWL_STYLE) & WS_VISIBLE) != 0;
}

int Win32MessageBox::focusedSlot() const {
    const HWND focus = GetFocus();
    for (int i = 0; i < messagebox::kSlots; ++i) {
        if (m_buttons[static_cast<size_t>(i)] == focus)
            return i;
    }
    return -1;
}

void Win32MessageBox::onShown() {
    std::array<bool, messagebox::kSlots> shown{};
    for (int i = 0; i < messagebox::kSlots; ++i)
        shown[static_cast<size_t>(i)] = visible(i);
    const int slot = messagebox::activationFocusSlot(shown, m_firstSlot);
    if (slot >= 0)
        SetFocus(m_buttons[static_cast<size_t>(slot)]);
    else
        SetFocus(handle());
}

bool Win32MessageBox::takeKey(const MSG& message) {
    if (message.hwnd != handle() && GetParent(message.hwnd) != handle())
        return false;
    if (message.message == WM_CHAR) {
        // Every typed character is seen here before the focused button. Ctrl with a letter types a
        // control character, which is never an access letter; Alt with one is a menu key.
        std::array<std::wstring, messagebox::kSlots> captions;
        std::array<std::u16string_view, messagebox::kSlots> views;
        for (size_t i = 0; i < captions.size(); ++i) {
            captions[i] = win32::windowText(m_buttons[i]);
            views[i] = std::u16string_view(reinterpret_cast<const char16_t*>(captions[i].data()), captions[i].size());
        }
        const int slot = messagebox::accessLetterSlot(views, static_cast<char16_t>(message.wParam));
        if (slot < 0)
            return false;
        press(slot);
        return true;
    }
    if (message.message != WM_KEYDOWN || held(VK_CONTROL) || held(VK_MENU) || held(VK_SHIFT))
        return false;
    if (message.wParam == VK_ESCAPE) {
        // Esc presses the cancel slot; with none (or a hidden one) it does nothing at all.
        if (m_cancelSlot >= 0 && visible(m_cancelSlot))
            press(m_cancelSlot);
        return true;
    }
    if (message.wParam == VK_RETURN) {
        // Enter presses the focused button, else the one with the default flag.
        const int focused = focusedSlot();
        const int slot = focused >= 0 ? focused : m_defaultSlot;
        if (slot >= 0 && visible(slot))
            press(slot);
        return true;
    }
    return false;
}

void Win32MessageBox::press(int slot) {
    m_result = m_slotAnswer[static_cast<size_t>(slot)];
    close();
}

void Win32MessageBox::onCommand(int id, int code) {
    const int slot = id - kFirstSlotId;
    if (slot < 0 || slot >= messagebox::kSlots)
        return;
    if (code == BN_CLICKED) {
        press(slot);
    } else if (code == BN_SETFOCUS) {
        // The focused button is the one Enter presses: it shows the default frame.
        for (int i = 0; i < messagebox::kSlots; ++i)
            SendMessageW(m_buttons[static_cast<size_t>(i)], BM_SETSTYLE, i == slot ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON,
                         TRUE);
    }
}

LRESULT Win32MessageBox::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kCloseTimer) {
        KillTimer(handle(), kCloseTimer);
        close();
        return 0;
    }
    return Win32FramedDialog::onMessage(message, wParam, lParam);
}

int16_t showWin32MessageBox(const Win32MessageBoxRequest& request, Win32Desktop& desktop) {
    win32::DialogTestHook::Asked question;
    question.dialog = win32::DialogTestHook::Dialog::MessageBox;
    question.prompt = request.prompt;
    question.style = request.style;
    question.title = request.title;
    question.picture = request.picture;
    question.message = request.message;
    if (const auto answer = win32::DialogTestHook::takeMessageBoxAnswer(question))
        return *answer;

    // A fresh window for every call, so nothing of the previous box survives.
    Win32MessageBox box(request);
    if (request.sound)
        desktop.playSound(box.soundName());
    desktop.makeTopmost(box.handle());
    box.runModal();
    return box.answer();
}

} // namespace velmora
