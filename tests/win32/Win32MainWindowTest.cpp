// The Win32 window's wiring: each control, key and menu command reaches the document operation it stands
// for, and the window shows what the document holds. Input goes through the window's own loop step, as
// the user's does; what the operations do is left to the document tests.

#include "Win32Input.h"

#include "mainwindow/Credits.h"
#include "platform/FakeEnvironment.h"
#include "platform/FakeFileSystem.h"
#include "platform/FakeWin32Desktop.h"
#include "support/Lines.h"
#include "support/TempDir.h"
#include "win32/Win32Application.h"
#include "win32/Win32DialogTestHook.h"
#include "win32/Win32ListKeys.h"
#include "win32/Win32Look.h"
#include "win32/Win32MainWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

namespace velmora::test {
namespace {

namespace Hook = win32::DialogTestHook;

int16_t answer(Answer a) {
    return static_cast<int16_t>(a);
}

// Lines as a Windows file ends them, whatever the line rules in force.
std::string crlf(const std::string& lines) {
    std::string text;
    for (const char c : lines)
        text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return text;
}

// A main window on fake platform services with the HOSTS path in a temporary folder. A dialog that comes
// up unanswered (a question no test queued an answer for) fails the test and is closed, as does an answer
// queued but never asked for.
class Win32MainWindowTest : public ::testing::Test {
protected:
    Win32MainWindowTest() {
        environment.variables["VELMORA_HOSTS"] = hostsPath;
        Hook::reset();
        m_guard = SetTimer(nullptr, 0, 50, &closeUnanswered);
    }
    ~Win32MainWindowTest() override {
        KillTimer(nullptr, m_guard);
        holdKeys(false, false);
        EXPECT_FALSE(Hook::active()) << "a queued answer was not asked for";
    }
    static void CALLBACK closeUnanswered(HWND, UINT, UINT_PTR, DWORD) {
        for (const wchar_t* name : {L"vbMsgBox", L"vbInputBox"}) {
            if (HWND box = shownWindow(name)) {
                ADD_FAILURE() << "unanswered dialog";
                PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
        }
    }

    HostsDocument& document() { return window->document(); }
    HWND control(const char* name) {
        HWND found = window->control(name);
        EXPECT_TRUE(found) << name;
        return found;
    }
    std::string text(const char* name) { return win32::utf8(win32::windowText(control(name))); }
    // Runs the window's loop step over everything queued.
    void run() {
        pump([this](MSG& message) { return window->translate(message); });
    }
    void press(HWND target, UINT key, bool ctrl = false, bool shift = false) {
        postKey(target, key, ctrl, shift);
        run();
        holdKeys(false, false);
    }
    void type(HWND target, const std::wstring& typed) {
        postText(target, typed);
        run();
    }
    void click(const char* name) {
        PostMessageW(control(name), BM_CLICK, 0, 0);
        run();
    }
    void command(const char* name) {
        PostMessageW(window->handle(), WM_COMMAND, static_cast<WPARAM>(Win32MainWindow::controlId(name)), 0);
        run();
    }
    void mouse(HWND target, UINT message, POINT at = {3, 3}) {
        PostMessageW(target, message, message == WM_RBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(at.x, at.y));
        run();
    }
    // The number of selected HOSTS lines and the current one, in the document and in the list view.
    std::pair<int32_t, int32_t> picked() {
        HWND list = control("lstHOSTS");
        EXPECT_EQ(static_cast<int32_t>(ListView_GetSelectedCount(list)), document().selection().selectedCount());
        const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
        if (document().selection().current() >= 0) {
            EXPECT_EQ(focused, document().selection().current());
        }
        return {document().selection().selectedCount(), document().selection().current()};
    }
    void startWith(const std::string& hostsLines) {
        writeFile(hostsPath, crlf(hostsLines));
        window->start(false);
    }
    void showWith(const char* focus) {
        ShowWindow(window->handle(), SW_SHOW);
        SetForegroundWindow(window->handle());
        SetFocus(control(focus));
        run();
        ASSERT_EQ(GetFocus(), control(focus));
    }
    std::wstring row(const char* list, int index) {
        wchar_t buffer[512] = {};
        ListView_GetItemText(control(list), index, 0, buffer, 512);
        return buffer;
    }

    TempDir dir;
    std::string hostsPath = dir.file("hosts");
    FakeFileSystem files;
    FakeEnvironment environment;
    FakeWin32Desktop desktop;
    std::unique_ptr<Win32MainWindow> window = [this] {
        startWin32Session();
        return std::make_unique<Win32MainWindow>(files, environment, desktop);
    }();
    UINT_PTR m_guard = 0;
};

// Start-up, a merge by Enter in the path box and a sort by its button show in the lists and labels; the
// sort uses the locale's collation, letter case ignored and punctuation counted (byte order would put "É"
// before "é", a word sort "ab" before "a-b"), and rows show UTF-8 decoded. Clicking an added line picks
// the equal HOSTS line; Clear reaches the document.
TEST_F(Win32MainWindowTest, ShowsWhatTheDocumentHolds) {
    startWith("b\n\xC3\xA9\n\xC3\x89\nab\na-b\n");
    writeFile(dir.file("list.txt"), crlf("a\n"));
    EXPECT_EQ(text("txtHOSTS(1)"), hostsPath);
    EXPECT_EQ(text("lblHOSTS3"), "Total: 5");
    showWith("txtHOSTS(0)");
    type(control("txtHOSTS(0)"), win32::wide(dir.file("list.txt")));
    press(control("txtHOSTS(0)"), VK_RETURN);
    EXPECT_EQ(text("lblHOSTS1") + '|' + text("lblHOSTS3"), "1 items|Total: 6");
    EXPECT_EQ(ListView_GetItemCount(control("lstNew")), 1);
    click("btnSort");
    EXPECT_EQ(linesOf(document().lines()), (Lines{"127.0.0.1 a", "a-b", "ab", "b", "\xC3\xA9", "\xC3\x89"}));
    EXPECT_EQ(row("lstHOSTS", 4), L"\u00e9");
    RECT first{};
    ListView_GetItemRect(control("lstNew"), 0, &first, LVIR_BOUNDS);
    mouse(control("lstNew"), WM_LBUTTONDOWN, {first.left + 5, first.top + 2});
    mouse(control("lstNew"), WM_LBUTTONUP, {first.left + 5, first.top + 2});
    EXPECT_EQ(picked(), std::pair(1, 0));
    for (const char* name : {"lstHOSTS", "lstNew"})
        EXPECT_TRUE(GetWindowLongW(control(name), GWL_STYLE) & LVS_OWNERDATA) << name;
    Hook::queueMessageBoxAnswer(answer(Answer::Yes));
    click("btnClear");
    EXPECT_EQ(linesOf(document().lines()), Lines{"127.0.0.1 localhost"});
    EXPECT_EQ(ListView_GetItemCount(control("lstHOSTS")), 1);
    // Alt+L, the merge button's access key, merges from wherever the focus is.
    holdKeys(false, false, true);
    PostMessageW(control("lstHOSTS"), WM_SYSCHAR, 'l', 1 << 29);
    run();
    holdKeys(false, false);
    EXPECT_EQ(linesOf(document().lines()), (Lines{"127.0.0.1 localhost", "127.0.0.1 a"}));

    // Edit > Remove block asks for the name in the input box and confirms in the message box.
    startWith("#BEGIN of ads\n127.0.0.1 a\n#END of ads\nkeep\n");
    Hook::queueInputBoxAnswer(L"ads");
    Hook::queueMessageBoxAnswer(answer(Answer::Yes));
    command("mnuEditRemoveBlock");
    EXPECT_EQ(linesOf(document().lines()), Lines{"keep"});
    EXPECT_EQ(row("lstHOSTS", 0), L"keep");
}

// A million lines are a number to the list view, not a million items: they show at once, and a search hit
// near the end is selected and scrolled to.
TEST_F(Win32MainWindowTest, MillionLines) {
    std::string hosts;
    for (int i = 0; i < 1000000; ++i)
        hosts += "127.0.0.1 host" + std::to_string(i) + ".example\r\n";
    writeFile(hostsPath, hosts);
    window->start(false);
    showWith("lstHOSTS");
    EXPECT_EQ(ListView_GetItemCount(control("lstHOSTS")), 1000000);
    EXPECT_EQ(row("lstHOSTS", 999999), L"127.0.0.1 host999999.example");
    Hook::queueInputBoxAnswer(L"HOST999990.");
    press(control("lstHOSTS"), 'F', true);
    EXPECT_EQ(picked(), std::pair(1, 999990));
    EXPECT_GE(ListView_GetTopIndex(control("lstHOSTS")) + ListView_GetCountPerPage(control("lstHOSTS")), 999990);
}

// Keys in the HOSTS lines: Ctrl+A selects all, Space and a double click ask for a line to add, Ctrl+F asks
// for a text, F3 searches on; the Edit menu pops up where the right button is released, which leaves the
// selection as it is.
TEST_F(Win32MainWindowTest, ListKeysAndMouse) {
    startWith("# hosts\n127.0.0.1 localhost\n10.0.0.2 b\n10.0.0.3 Localhost.lan\n");
    showWith("lstHOSTS");
    HWND list = control("lstHOSTS");
    press(list, 'A', true);
    EXPECT_EQ(picked().first, 4);
    Hook::queueInputBoxAnswer(L"added");
    press(list, VK_SPACE);
    EXPECT_EQ(document().lines().count(), 5);
    Hook::queueInputBoxAnswer(L"");
    RECT second{};
    ListView_GetItemRect(list, 1, &second, LVIR_BOUNDS);
    for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        mouse(list, message, {second.left + 10, (second.top + second.bottom) / 2});
    EXPECT_EQ(picked(), std::pair(1, 1));
    Hook::queueInputBoxAnswer(L"10.0");
    press(list, 'F', true);
    EXPECT_EQ(picked(), std::pair(1, 2));
    press(list, VK_F3);
    EXPECT_EQ(picked(), std::pair(1, 3));
    // The pop-up menu runs its own loop: it is looked at and closed from there.
    POINT menuAt{};
    whenShown(L"#32768", [&menuAt](HWND menu, int) {
        RECT r{};
        GetWindowRect(menu, &r);
        menuAt = {r.left, r.top};
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        return false;
    });
    POINT at{20, 20};
    mouse(list, WM_RBUTTONDOWN, at);
    mouse(list, WM_RBUTTONUP, at);
    ClientToScreen(list, &at);
    EXPECT_EQ(std::pair(menuAt.x, menuAt.y), std::pair(at.x, at.y));
    EXPECT_EQ(picked(), std::pair(1, 3));
    const auto& asked = Hook::asked();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(linesOf(document().lines()).back(), "added");
    EXPECT_EQ(asked[1].prompt + L"|" + asked[1].suggestion, L"Enter code to add:|127.0.0.1 localhost");
    EXPECT_EQ(asked[2].prompt + L"|" + asked[2].title, L"Enter text to find:|Find");
}

// Browse starts at its row's path; a chosen file (trimmed) fills the box, focused and selected. A file
// dropped anywhere on the window becomes the list in the same way.
TEST_F(Win32MainWindowTest, BrowseAndDropFillTheirRow) {
    document().setSourcePath("C:\\lists\\old.txt");
    desktop.openAnswers = {"  C:\\lists\\ads.txt "};
    showWith("lstHOSTS");
    click("btnBrowse(0)");
    HWND box = control("txtHOSTS(0)");
    EXPECT_EQ(desktop.dialogRequests.back().initialPath, "C:\\lists\\old.txt");
    EXPECT_EQ(desktop.dialogRequests.back().title + "|" + desktop.dialogRequests.back().filter,
              "Open HOSTS|All files|*.*");
    EXPECT_EQ(document().sourcePath(), "C:\\lists\\ads.txt");
    EXPECT_EQ(text("txtHOSTS(0)"), "C:\\lists\\ads.txt");
    EXPECT_EQ(GetFocus(), box);
    EXPECT_EQ(SendMessageW(box, EM_GETSEL, 0, 0), MAKELONG(0, 16));

    SetFocus(control("txtHOSTS(1)"));
    const std::wstring dropped = L"C:\\lists\\dropped.txt";
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (dropped.size() + 2) * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::copy(dropped.begin(), dropped.end(), reinterpret_cast<wchar_t*>(drop + 1));
    GlobalUnlock(memory);
    PostMessageW(window->handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    run();
    EXPECT_EQ(document().sourcePath(), "C:\\lists\\dropped.txt");
    EXPECT_EQ(GetFocus(), box);
    EXPECT_EQ(SendMessageW(box, EM_GETSEL, 0, 0), MAKELONG(0, 20));
}

class Win32ShortcutTest : public Win32MainWindowTest, public ::testing::WithParamInterface<const char*> {};

// From any control: Del deletes the selected HOSTS line (path boxes keep their text), Ctrl+Z and Ctrl+Y
// take it back and make it again, and Ctrl+F, F3, Ctrl+O and Ctrl+S act.
TEST_P(Win32ShortcutTest, MenuShortcutsWinOverTheFocusedControl) {
    startWith("a\nb\nc\n");
    document().setSourcePath("C:\\lists\\source.txt");
    showWith(GetParam());
    HWND focus = control(GetParam());
    const auto undoEnabled = [this] {
        return !(GetMenuState(GetMenu(window->handle()), static_cast<UINT>(Win32MainWindow::controlId("mnuEditUndo")),
                              MF_BYCOMMAND) &
                 MF_GRAYED);
    };
    EXPECT_FALSE(undoEnabled());
    document().selection().selectOnly(1);
    press(focus, VK_DELETE);
    EXPECT_EQ(linesOf(document().lines()), (Lines{"a", "c"}));
    EXPECT_TRUE(undoEnabled());
    press(focus, 'Z', true);
    EXPECT_EQ(linesOf(document().lines()), (Lines{"a", "b", "c"}));
    EXPECT_FALSE(undoEnabled());
    press(focus, 'Y', true);
    EXPECT_EQ(linesOf(document().lines()), (Lines{"a", "c"}));
    EXPECT_EQ(text("txtHOSTS(0)"), "C:\\lists\\source.txt");
    EXPECT_EQ(text("txtHOSTS(1)"), hostsPath);
    Hook::queueInputBoxAnswer(L"");
    Hook::queueInputBoxAnswer(L"");
    writeFile(dir.file("other"), crlf("10.1.1.1 one\n"));
    desktop.openAnswers = {dir.file("other")};
    press(focus, 'F', true);
    press(focus, VK_F3);
    press(focus, 'O', true);
    EXPECT_EQ(linesOf(document().lines()), Lines{"10.1.1.1 one"});
    press(focus, 'S', true);
    EXPECT_EQ(desktop.dialogRequests.back().title, "Save HOSTS");
}

INSTANTIATE_TEST_SUITE_P(Focus, Win32ShortcutTest,
                         ::testing::Values("txtHOSTS(0)", "txtHOSTS(1)", "lstHOSTS", "lstNew", "btnMerge"));

// In a path box, Ctrl+Z first takes back the typing there, then the changes of the lines.
TEST_F(Win32MainWindowTest, PathBoxUndoesItsTypingFirst) {
    startWith("a\nb\n");
    HWND box = control("txtHOSTS(0)");
    showWith("txtHOSTS(0)");
    document().selection().selectOnly(0);
    press(box, VK_DELETE);
    type(box, L"x");
    EXPECT_EQ(document().sourcePath(), "x");
    press(box, 'Z', true);
    EXPECT_EQ(text("txtHOSTS(0)"), "");
    EXPECT_EQ(document().sourcePath(), "");
    EXPECT_EQ(linesOf(document().lines()), Lines{"b"});
    press(box, 'Z', true);
    EXPECT_EQ(linesOf(document().lines()), (Lines{"a", "b"}));
}

// Captions open their row's path unchanged (left: editor, right: folder); Open and the credit line open
// theirs. A hovered caption is drawn as a link until the mouse reaches the background or a path box.
TEST_F(Win32MainWindowTest, Links) {
    document().setSourcePath("C:\\my lists\\ad list.txt");
    document().setHostsPath("C:\\dir\\hosts");
    const std::tuple<const char*, UINT, std::string> cases[] = {
        {"lblHOSTS(1)", WM_LBUTTONUP, "editor:C:\\dir\\hosts"},
        {"lblHOSTS(0)", WM_RBUTTONUP, "folder:C:\\my lists\\"},
        {"lblCredits", WM_RBUTTONUP, ""},
        {"lblCredits", WM_LBUTTONUP, std::string("address:") + credits::kHomePage},
    };
    for (const auto& [name, button, call] : cases) {
        desktop.calls.clear();
        mouse(control(name), button);
        EXPECT_EQ(desktop.calls, call.empty() ? Lines{} : Lines{call}) << name;
    }
    // Pressed on the credit line and let go beside it: nothing.
    desktop.calls.clear();
    mouse(control("lblCredits"), WM_LBUTTONUP, {-4, 3});
    EXPECT_EQ(desktop.calls, Lines{});
    click("btnOpen");
    EXPECT_EQ(desktop.calls, Lines{"editor:C:\\dir\\hosts"});
    // A list at a web address opens in the browser; it has no folder.
    document().setSourcePath("https://lists.example/hosts");
    desktop.calls.clear();
    for (const UINT button : {WM_LBUTTONUP, WM_RBUTTONUP})
        mouse(control("lblHOSTS(0)"), button);
    EXPECT_EQ(desktop.calls, Lines{"address:https://lists.example/hosts"});

    // The captions drawn as links: "01" both, "-1" the second, "--" none.
    const auto links = [this] {
        std::string looks;
        for (const char* name : {"lblHOSTS(0)", "lblHOSTS(1)"}) {
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control(name), WM_GETFONT, 0, 0)), sizeof font, &font);
            looks += font.lfUnderline ? name[9] : '-';
        }
        return looks;
    };
    mouse(control("lblHOSTS(1)"), WM_MOUSEMOVE);
    EXPECT_EQ(links(), "-1");
    mouse(control("lblHOSTS(0)"), WM_MOUSEMOVE);
    mouse(control("lstHOSTS"), WM_MOUSEMOVE);
    EXPECT_EQ(links(), "01") << "a control other than a path box leaves the link look";
    mouse(control("txtHOSTS(0)"), WM_MOUSEMOVE);
    EXPECT_EQ(links(), "--");
    mouse(control("lblHOSTS(0)"), WM_MOUSEMOVE);
    mouse(control("lblHOSTS(1)"), WM_MOUSEMOVE);
    mouse(window->handle(), WM_MOUSEMOVE, {5, 600});
    EXPECT_EQ(links(), "--");
}

// The window has a fixed size, a minimise and a close button and no maximise button; the tab order is the
// focus order of the controls, and labels take no focus.
TEST_F(Win32MainWindowTest, FixedWindowAndTabOrder) {
    const LONG style = GetWindowLongW(window->handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_SYSMENU), WS_MINIMIZEBOX | WS_SYSMENU);
    RECT client{};
    GetClientRect(window->handle(), &client);
    EXPECT_EQ(client.right, win32::twips(7770));
    EXPECT_EQ(client.bottom, win32::twips(6465));
    EXPECT_EQ(text("Label1") + "|" + text("lblHOSTS(0)") + "|" + text("lblHOSTS(1)") + "|" + text("btnMerge") + "|" +
                  text("lblNew") + "|" + text("Label2"),
              "Velmora|New HOSTS|Current HOSTS|&Load / Merge >>|Added sites:|==>");
    showWith("txtHOSTS(0)");
    std::vector<std::string> order;
    for (int i = 0; i < 11; ++i) {
        const int id = GetDlgCtrlID(GetFocus());
        for (const char* name : {"txtHOSTS(0)", "btnBrowse(0)", "txtHOSTS(1)", "btnBrowse(1)", "btnMerge", "btnOpen",
                                 "lstNew", "btnSave", "btnClear", "lstHOSTS", "btnSort"}) {
            if (Win32MainWindow::controlId(name) == id)
                order.push_back(name);
        }
        press(GetFocus(), VK_TAB);
    }
    EXPECT_EQ(order, (Lines{"txtHOSTS(0)", "btnBrowse(0)", "txtHOSTS(1)", "btnBrowse(1)", "btnMerge", "btnOpen",
                            "lstNew", "btnSave", "btnClear", "lstHOSTS", "btnSort"}));
    EXPECT_EQ(GetFocus(), control("txtHOSTS(0)")) << "Tab goes round";
}

// The list views' own ways: a Shift+click selects the lines between, typing a line's beginning goes to
// it, and a line wider than the list can be scrolled to.
TEST_F(Win32MainWindowTest, ListViewsOwnWays) {
    startWith("alpha\nbeta\ngamma\ndelta\n127.0.0.1 " + std::string(300, 'w') + ".example\n");
    showWith("lstHOSTS");
    HWND list = control("lstHOSTS");
    const auto rowPoint = [list](int row) {
        RECT r{};
        ListView_GetItemRect(list, row, &r, LVIR_BOUNDS);
        return POINT{r.left + 10, (r.top + r.bottom) / 2};
    };
    mouse(list, WM_LBUTTONDOWN, rowPoint(1));
    mouse(list, WM_LBUTTONUP, rowPoint(1));
    holdKeys(true, false);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(rowPoint(3).x, rowPoint(3).y));
    PostMessageW(list, WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(rowPoint(3).x, rowPoint(3).y));
    run();
    holdKeys(false, false);
    EXPECT_EQ(picked(), std::pair(3, 3));
    EXPECT_TRUE(document().selection().isSelected(2));
    type(list, L"g");
    EXPECT_EQ(picked(), std::pair(1, 2));
    RECT client{};
    GetClientRect(list, &client);
    EXPECT_GT(ListView_GetColumnWidth(list, 0), client.right + 500);
}

// The keys of the HOSTS lines: Ctrl counts only alone, Del with any modifier, Ctrl+F3 asks first.
TEST(Win32ListKeys, Actions) {
    using enum win32::ListKeyAction;
    const struct {
        UINT key;
        bool shift, ctrl, alt;
        win32::ListKeyAction action;
    } cases[] = {
        {'A', false, true, false, SelectAll},    {'A', true, true, false, FocusOnly},
        {'A', false, true, true, FocusOnly},     {VK_DELETE, true, false, false, DeleteLines},
        {VK_F2, false, false, false, AddLine},   {VK_INSERT, false, false, false, AddLine},
        {VK_F3, false, true, false, FindAsking}, {VK_F3, true, false, false, FindNext},
        {'F', false, true, false, FindAsking},   {'F', false, false, false, FocusOnly},
    };
    for (const auto& c : cases)
        EXPECT_EQ(win32::listKeyAction(c.key, c.shift, c.ctrl, c.alt), c.action) << c.key;
}

// After a real question the focus is where it was; while work runs the window shows the busy pointer.
TEST_F(Win32MainWindowTest, FocusComesBackAndBusyPointer) {
    startWith("a\n");
    showWith("lstHOSTS");
    whenShown(L"vbMsgBox", [](HWND box, int) {
        PostMessageW(box, WM_CHAR, L'n', 1);
        return false;
    });
    KillTimer(nullptr, m_guard);
    click("btnClear");
    run();
    EXPECT_EQ(linesOf(document().lines()), Lines{"a"});
    EXPECT_EQ(GetFocus(), control("btnClear")) << "the button clicked";
    window->ui().setBusy(true);
    SendMessageW(window->handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(window->handle()), HTCLIENT);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    window->ui().setBusy(false);
}

// Closing asks about unsaved changes: Cancel keeps the window, No closes it without saving.
TEST_F(Win32MainWindowTest, ClosingAsks) {
    startWith("a\n");
    bool closed = false;
    window->onClosed = [&closed] { closed = true; };
    document().resetToLocalhost();
    Hook::queueMessageBoxAnswer(answer(Answer::Cancel));
    command("mnuFileExist");
    EXPECT_TRUE(IsWindow(window->handle()));
    Hook::queueMessageBoxAnswer(answer(Answer::No));
    PostMessageW(window->handle(), WM_CLOSE, 0, 0);
    run();
    EXPECT_TRUE(closed);
    EXPECT_EQ(window->handle(), nullptr);
    EXPECT_EQ(readFile(hostsPath), crlf("a\n"));
    EXPECT_EQ(Hook::asked().back().prompt, L"Do you want to save the changes?");
}

} // namespace
} // namespace velmora::test
