#include "Win32Input.h"

#include <gtest/gtest.h>

namespace velmora::test {

namespace {

constexpr UINT kTickMs = 5;
constexpr int kPolls = 1000;
constexpr UINT kGiveUpMs = 5000;

struct Player {
    std::wstring className;
    std::function<bool(HWND, int)> step;
    HWND dialog = nullptr;
    int polls = 0;
    int next = 0;
    bool done = false;
    UINT_PTR timer = 0;
    UINT_PTR guard = 0;
};

Player& player() {
    static Player instance;
    return instance;
}

void CALLBACK giveUp(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (player().dialog && IsWindow(player().dialog) && IsWindowVisible(player().dialog)) {
        ADD_FAILURE() << "the dialog was still up after 5 s";
        PostMessageW(player().dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

void CALLBACK tick(HWND, UINT, UINT_PTR timer, DWORD) {
    Player& p = player();
    if (!p.dialog) {
        p.dialog = shownWindow(p.className.c_str());
        if (!p.dialog) {
            if (--p.polls <= 0) {
                KillTimer(nullptr, timer);
                ADD_FAILURE() << "no dialog came up";
            }
            return;
        }
        p.guard = SetTimer(nullptr, 0, kGiveUpMs, &giveUp);
    }
    if (!IsWindow(p.dialog) || !IsWindowVisible(p.dialog)) {
        KillTimer(nullptr, timer);
        ADD_FAILURE() << "the dialog closed before step " << p.next;
        return;
    }
    if (!p.step(p.dialog, p.next++)) {
        KillTimer(nullptr, timer);
        p.done = true;
    }
}

} // namespace

void holdKeys(bool shift, bool ctrl, bool alt) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const auto set = [&keys](int key, bool down) { keys[key] = down ? 0x80 : 0; };
    set(VK_SHIFT, shift);
    set(VK_LSHIFT, shift);
    set(VK_CONTROL, ctrl);
    set(VK_LCONTROL, ctrl);
    set(VK_MENU, alt);
    set(VK_LMENU, alt);
    SetKeyboardState(keys);
}

void pump(const std::function<bool(MSG&)>& translate) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (translate && translate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void postKey(HWND target, UINT virtualKey, bool ctrl, bool shift) {
    holdKeys(shift, ctrl);
    PostMessageW(target, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(target, WM_KEYUP, virtualKey, 0xC0000001);
}

void postText(HWND target, const std::wstring& text) {
    for (const wchar_t c : text)
        PostMessageW(target, WM_CHAR, c, 1);
}

void whenShown(const wchar_t* className, std::function<bool(HWND dialog, int step)> step) {
    Player& p = player();
    for (const UINT_PTR timer : {p.timer, p.guard}) {
        if (timer)
            KillTimer(nullptr, timer);
    }
    p = Player{};
    p.className = className;
    p.step = std::move(step);
    p.polls = kPolls;
    p.timer = SetTimer(nullptr, 0, kTickMs, &tick);
}

bool playedToTheEnd() {
    return player().done;
}

HWND shownWindow(const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        HWND found;
    } search{className, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (std::wstring(name) == s->className && IsWindowVisible(window)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace velmora::test
