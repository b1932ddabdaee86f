// The Win32 dialogs driven from inside their own modal loops, and the user interface that asks for them.

#include "Win32Input.h"

#include "core/MessageBoxTables.h"
#include "platform/FakeWin32Desktop.h"
#include "platform/Win32ShellDesktop.h"
#include "win32/Win32Application.h"
#include "win32/Win32DialogTestHook.h"
#include "win32/Win32InputBox.h"
#include "win32/Win32Look.h"
#include "win32/Win32MessageBox.h"
#include "win32/Win32ProgressWindow.h"
#include "win32/Win32UserInterface.h"

#include <gtest/gtest.h>

#include <sstream>

namespace velmora::test {
namespace {

using namespace MessageStyle;
using namespace messagebox;
namespace Hook = win32::DialogTestHook;

// Where a control of a dialog sits in its client area, in pixels.
RECT placeOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND slot(HWND box, int i) {
    return GetDlgItem(box, Win32MessageBox::kFirstSlotId + i);
}

// Plays one character of input per step on a message box, which must stay up until the last one (a hidden
// button must not answer): "0".."3" click that slot, "!" is the close box, "^" holds Ctrl for the next
// character, "\t" is Tab, "\r" Enter, "\x1b" Esc, any other character is typed.
std::function<bool(HWND, int)> play(std::string input) {
    return [input, ctrl = false](HWND box, int step) mutable {
        const char c = input[static_cast<size_t>(step)];
        HWND focus = GetFocus() ? GetFocus() : box;
        holdKeys(false, ctrl);
        if (c >= '0' && c <= '3')
            PostMessageW(slot(box, c - '0'), BM_CLICK, 0, 0);
        else if (c == '!')
            PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        else if (c == '^')
            ctrl = true;
        else if (c == '\r' || c == '\x1b' || c == '\t')
            postKey(focus, c == '\r' ? VK_RETURN : c == '\t' ? VK_TAB : VK_ESCAPE, ctrl);
        else
            PostMessageW(focus, WM_CHAR, ctrl ? (c & 0x1f) : c, 1);
        if (c != '^')
            ctrl = false;
        return static_cast<size_t>(step) + 1 < input.size();
    };
}

class Win32DialogTest : public testing::Test {
protected:
    void SetUp() override {
        startWin32Session();
        Hook::reset();
    }
    void TearDown() override { holdKeys(false, false); }
    // Shows a message box with "|"-separated custom captions.
    int16_t show(Win32MessageBoxRequest request, const std::string& captions = "") {
        std::stringstream given(captions);
        std::string caption;
        for (size_t k = 0; k < kSlots && std::getline(given, caption, '|'); ++k)
            request.captions[k] = win32::wide(caption);
        return showWin32MessageBox(request, m_desktop);
    }
    FakeWin32Desktop m_desktop;
    Win32UserInterface m_ui{m_desktop};
};

// The answer each way of answering a message box gives (Answer codes; custom caption k answers k).
TEST_F(Win32DialogTest, MessageBoxAnswers) {
    const struct {
        const char *scenario, *captions, *input;
        int32_t style;
        int16_t defaultButton, cancelButton, answer;
    } cases[] = {
        {"OK only: Esc takes OK", "", "\x1b", Information, -1, -1, 1},
        {"Retry Cancel: Enter", "", "\r", RetryCancel, -1, -1, 4},
        {"Yes No Cancel: Esc takes Cancel, not No", "", "\x1b", YesNoCancel, -1, -1, 2},
        {"Yes No Cancel: unmatched key, then 'n'", "", "xn", YesNoCancel, -1, -1, 7},
        {"Yes No: '&', Ctrl+Y and Ctrl+N press nothing", "", "&^y^n!", YesNo, -1, -1, 0},
        {"third focus, no slot 3: Yes focused", "", "\r", YesNo | kDefaultButton3, -1, -1, 6},
        {"default button 2 on OK Cancel", "", "\r", OkCancel, 2, -1, 2},
        {"cancel button 1 on Yes No Cancel", "", "\x1b", YesNoCancel, -1, 1, 6},
        {"Tab from Yes to No, Enter", "", "\t\r", YesNo, -1, -1, 7},
        {"custom three over Yes No", "One|Two|Three", "t", YesNo, -1, -1, 2},
        {"two custom, OK only: moved right, Esc idle", "&Apply|&Later", "\x1b!", Information, -1, -1, 0},
        {"Yes No Cancel, fourth custom: Esc takes No", "|||Later", "\x1b", YesNoCancel, -1, -1, 7},
        {"four custom, a style of no known buttons: side by side", "W|X|Y|Z", "z", 2, -1, -1, 4},
        {"a click on slot 2 of Yes No Cancel", "", "2", YesNoCancel, -1, -1, 7},
    };
    for (const auto& c : cases) {
        whenShown(L"vbMsgBox", play(c.input));
        EXPECT_EQ(
            show({.style = c.style, .defaultButton = c.defaultButton, .cancelButton = c.cancelButton}, c.captions),
            c.answer)
            << c.scenario;
        EXPECT_TRUE(playedToTheEnd()) << c.scenario << ": closed before its last key";
    }
}

// The slots stay in their row: a lone OK is centred; two buttons take slots 1 and 2; with a second message
// the prompt shrinks to a heading. The title is the one given; the style's sound plays before the window
// is made topmost. A box with a close delay closes itself without an answer.
TEST_F(Win32DialogTest, MessageBoxLayoutSoundAndTimer) {
    std::string seen;
    const auto look = [&seen](HWND box, int) {
        for (int i = 0; i < kSlots; ++i) {
            if (IsWindowVisible(slot(box, i)))
                seen += std::to_string(i) + ":" + std::to_string(placeOf(slot(box, i)).left) + " ";
        }
        seen += "prompt " + std::to_string(placeOf(GetDlgItem(box, 1)).bottom - placeOf(GetDlgItem(box, 1)).top) + " " +
                win32::utf8(win32::windowText(box));
        PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        return false;
    };
    whenShown(L"vbMsgBox", look);
    show({.style = Information});
    EXPECT_EQ(seen, "0:" + std::to_string(win32::twips(2205)) + " prompt " + std::to_string(win32::twips(1560)) + "  ");
    seen.clear();
    whenShown(L"vbMsgBox", look);
    show({.style = YesNo | Critical, .title = L"T", .message = L"more"});
    EXPECT_EQ(seen, "1:" + std::to_string(win32::twips(1530)) + " 2:" + std::to_string(win32::twips(2925)) +
                        " prompt " + std::to_string(win32::twips(840) - win32::twips(330)) + " T");
    // Yes would be pressed after a second.
    whenShown(L"vbMsgBox", [](HWND, int) { return false; });
    SetTimer(nullptr, 0, 1000, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        if (HWND box = shownWindow(L"vbMsgBox"))
            PostMessageW(slot(box, 1), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(show({.style = YesNoCancel, .sound = false, .closeAfterMs = 150}), 0);
    EXPECT_EQ(m_desktop.calls,
              (std::vector<std::string>{"sound:SystemAsterisk", "topmost", "sound:SystemHand", "topmost", "topmost"}));
}

// Tab walks the visible slots from the focused one on: with the third slot focused, slot 3, then slot 1.
// Meanwhile the program's other windows take no input.
TEST_F(Win32DialogTest, MessageBoxTabOrderAndModality) {
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    std::vector<int> focused;
    bool otherEnabled = true;
    whenShown(L"vbMsgBox", [&](HWND box, int step) {
        otherEnabled = IsWindowEnabled(other);
        focused.push_back(GetDlgCtrlID(GetFocus()) - Win32MessageBox::kFirstSlotId);
        if (step < 2) {
            postKey(GetFocus(), VK_TAB);
            return true;
        }
        PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        return false;
    });
    show({.style = YesNoCancel, .defaultButton = 3});
    EXPECT_EQ(focused, (std::vector<int>{3, 1, 2}));
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(IsWindowEnabled(other));
    DestroyWindow(other);
}

// A box goes with its owner: destroying the owner while the box is up answers as if closed without a
// button, and the owner's going ends the modal loop.
TEST_F(Win32DialogTest, OwnerDestroyedWhileUp) {
    for (const bool inputBox : {false, true}) {
        HWND owner =
            CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        whenShown(inputBox ? L"vbInputBox" : L"vbMsgBox", [owner](HWND, int) {
            DestroyWindow(owner);
            return false;
        });
        if (inputBox)
            EXPECT_EQ(showWin32InputBox({.suggestion = L"x", .owner = owner}, m_desktop), L"");
        else
            EXPECT_EQ(show({.style = YesNo, .owner = owner}), 0);
        EXPECT_FALSE(IsWindow(owner));
    }
}

// Typed: "\r" Enter (on the Cancel button after two Tabs), "\x1b" Esc; close: 'O' the OK button, 'C' the Cancel button,
// 'X' the close box, or nothing more. Each way closes the box at once; typing replaces the suggestion, which is
// selected again whenever the field gets the focus back.
TEST_F(Win32DialogTest, InputBoxWaysOfClosing) {
    const struct {
        const wchar_t* typed;
        const wchar_t* result;
        char close;
    } cases[] = {{L"new\r", L"new", 0}, {L"", L"old", 'O'},  {L"", L"", 'C'},
                 {L"x\x1b", L"", 0},    {L"\t\t\r", L"", 0}, {L"", L"", 'X'}};
    for (const auto& c : cases) {
        DWORD selection = 0;
        whenShown(L"vbInputBox", [&](HWND box, int step) {
            HWND entry = GetDlgItem(box, Win32InputBox::kEntryId);
            if (step == 0) {
                SendMessageW(entry, EM_SETSEL, 1, 1);
                SetFocus(GetDlgItem(box, Win32InputBox::kOkId));
                SetFocus(entry);
                selection = static_cast<DWORD>(SendMessageW(entry, EM_GETSEL, 0, 0));
                for (const wchar_t* t = c.typed; *t; ++t) {
                    if (*t == L'\r' || *t == L'\x1b' || *t == L'\t')
                        postKey(entry, *t == L'\r' ? VK_RETURN : *t == L'\t' ? VK_TAB : VK_ESCAPE);
                    else
                        PostMessageW(entry, WM_CHAR, *t, 1);
                }
                return c.close != 0;
            }
            if (c.close == 'X')
                PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            else
                PostMessageW(GetDlgItem(box, c.close == 'O' ? Win32InputBox::kOkId : Win32InputBox::kCancelId),
                             BM_CLICK, 0, 0);
            return false;
        });
        EXPECT_EQ(showWin32InputBox({.prompt = L"Prompt", .suggestion = L"old"}, m_desktop), c.result) << c.close;
        EXPECT_EQ(selection, MAKELONG(0, 3)) << "the whole suggestion selected";
    }
    EXPECT_EQ(m_desktop.calls, std::vector<std::string>(6, "topmost"));
}

// Questions, notices and errors go to the message box in their style, text prompts to the input box with
// or without the note picture; bytes that are no UTF-8 still show, typed text comes back as UTF-8.
TEST_F(Win32DialogTest, UserInterfaceAsks) {
    for (const Answer answer : {Answer::Yes, Answer::Ok, Answer::Ok})
        Hook::queueMessageBoxAnswer(answerCode(answer));
    Hook::queueInputBoxAnswer(L"caf\u00e9");
    Hook::queueInputBoxAnswer(L"");
    EXPECT_EQ(m_ui.ask("Save?", YesNoCancel), Answer::Yes);
    m_ui.notify("'x' not found.");
    m_ui.reportError("Not saved: a\377");
    EXPECT_EQ(m_ui.askText("Find:", "Find", "old", false), "caf\xC3\xA9");
    EXPECT_EQ(m_ui.askText("Add:", "", "x\377", true), "");
    std::vector<std::wstring> asked;
    for (const Hook::Asked& a : Hook::asked())
        asked.push_back(a.prompt + L"|" + a.title + L"|" + a.suggestion + L"|" + std::to_wstring(a.style) + L"|" +
                        std::to_wstring(a.picture));
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"Save?|||3|4", L"'x' not found.|||64|4", L"Not saved: a\u00ff|||16|4",
                                                L"Find:|Find|old|0|5", L"Add:||x\u00ff|0|4"}));
}

// The Save dialog belongs to the owner and starts in the suggested file's folder with its name.
TEST_F(Win32DialogTest, SaveDialogStartsAtTheSuggestedFile) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    m_ui.setOwner(owner);
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Windows\\System32\\drivers\\etc\\hosts", "C:\\Windows\\System32\\drivers\\etc|hosts"},
        {"C:\\hosts", "C:\\|hosts"},
        {"D:/lists/my hosts", "D:/lists|my hosts"}};
    for (const auto& [suggested, expected] : cases) {
        m_ui.chooseSaveFile(suggested);
        const Win32FileDialogRequest& r = m_desktop.dialogRequests.back();
        EXPECT_EQ(r.owner, owner);
        EXPECT_EQ(r.title + '|' + r.filter + '|' + r.initialPath + '|' + r.initialName,
                  "Save HOSTS|Host File|" + expected);
    }
    DestroyWindow(owner);
}

// The filters of the system's Open and Save dialogs: pairs ended by NULs; a description alone, or none
// at all, lists every file.
TEST(Win32DialogFilter, PairsOfTexts) {
    using namespace std::string_literals;
    const std::pair<std::string, std::wstring> cases[] = {
        {"All files|*.*", L"All files\0*.*\0\0"s},
        {"Host File", L"Host File\0*.*\0\0"s},
        {"Lists|*.txt;*.hosts|All|*.*", L"Lists\0*.txt;*.hosts\0All\0*.*\0\0"s},
        {"", L"All files\0*.*\0\0"s},
    };
    for (const auto& [filter, pairs] : cases)
        EXPECT_EQ(win32DialogFilter(filter), pairs) << filter;
}

// The progress window takes the title set before showing and shows each step; every showing after a close
// is a fresh window: "Loading", no percent, the bar's stub. A title too long for the title bar beside its
// close box widens the window about its centre; a short one keeps the first width.
TEST_F(Win32DialogTest, ProgressWindow) {
    const auto looks = [this] {
        const Win32ProgressWindow* window = m_ui.progressWindow();
        return window ? win32::utf8(win32::windowText(window->handle())) + ' ' + std::to_string(window->barWidth()) +
                            ' ' + window->percentText()
                      : std::string("none");
    };
    m_ui.progress().setTitle("Sorting...");
    m_ui.progress().show();
    int32_t value = 500;
    m_ui.progress().step(1, value, 1000);
    EXPECT_EQ(looks(), "Sorting... " + std::to_string(win32::twips(60 + 1222) - win32::twips(60)) + " 50%");
    EXPECT_EQ(value, 501);
    m_ui.progress().close();
    EXPECT_EQ(looks(), "none");
    m_ui.progress().show();
    EXPECT_EQ(looks(), "Loading " + std::to_string(win32::twips(90) - win32::twips(60)) + " ");
    HWND window = m_ui.progressWindow()->handle();
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_SYSMENU),
              WS_SYSMENU);
    RECT before{}, after{};
    GetWindowRect(window, &before);
    m_ui.progress().setTitle("Busy");
    GetWindowRect(window, &after);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    m_ui.progress().setTitle("Removing a-block-with-a-rather-long-name-indeed...");
    GetWindowRect(window, &after);
    EXPECT_GT(after.right - after.left, before.right - before.left);
    EXPECT_LE(std::abs((after.left + after.right) - (before.left + before.right)), 2);
    m_ui.progress().close();
}

} // namespace
} // namespace velmora::test
