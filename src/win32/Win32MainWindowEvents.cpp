// The main window's events: each control, key and menu command forwarded to the document operation it
// stands for.
#include "win32/Win32MainWindow.h"

#include "core/TextUtil.h"
#include "core/WebList.h"
#include "mainwindow/Credits.h"
#include "platform/Win32Desktop.h"
#include "win32/Win32GraphicalButton.h"
#include "win32/Win32ListKeys.h"
#include "win32/Win32ListView.h"
#include "win32/Win32Look.h"
#include "win32/Win32Pictures.h"

#include <commctrl.h>
#include <shellapi.h>

namespace velmora {

namespace {

bool held(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

} // namespace

bool Win32MainWindow::translate(MSG& message) {
    HWND window = handle();
    if (!window || (message.hwnd != window && !IsChild(window, message.hwnd)))
        return false;
    if (message.message == WM_KEYDOWN) {
        for (int row = 0; row < 2; ++row) {
            if (message.hwnd != m_paths[static_cast<size_t>(row)])
                continue;
            BoxUndo& undo = m_boxUndo[static_cast<size_t>(row)];
            const bool ctrlAlone = held(VK_CONTROL) && !held(VK_MENU);
            const bool shift = held(VK_SHIFT);
            // Typing in the box is taken back first; after that the keys take back changes of the lines.
            const bool undoKey = ctrlAlone && !shift && message.wParam == 'Z';
            const bool redoKey = ctrlAlone && ((!shift && message.wParam == 'Y') || (shift && message.wParam == 'Z'));
            if ((undoKey && undo == BoxUndo::Undo) || (redoKey && undo == BoxUndo::Redo)) {
                m_undoingBox = true;
                SendMessageW(message.hwnd, EM_UNDO, 0, 0);
                m_undoingBox = false;
                undo = undoKey ? BoxUndo::Redo : BoxUndo::Undo;
                onPathEdited(row);
                return true;
            }
            if (message.wParam == VK_RETURN && !held(VK_CONTROL) && !held(VK_MENU)) {
                onMergeClicked();
                return true;
            }
        }
    }
    if (m_accelerators && TranslateAcceleratorW(window, m_accelerators, &message))
        return true;
    return IsDialogMessageW(window, &message) != FALSE;
}

LRESULT Win32MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_CTLCOLORSTATIC:
        return colourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.hwndItem == m_credits) {
            drawCredits(item);
            return TRUE;
        }
        const char* picture = item.CtlID == static_cast<UINT>(controlId("btnOpen"))    ? "open16.png"
                              : item.CtlID == static_cast<UINT>(controlId("btnSave"))  ? "save16.png"
                              : item.CtlID == static_cast<UINT>(controlId("btnClear")) ? "clear20.png"
                                                                                       : nullptr;
        drawGraphicalButton(item, win32::kWhite, picture ? win32::picture(picture) : nullptr);
        return TRUE;
    }
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (onNotify(*reinterpret_cast<const NMHDR*>(lParam), result))
            return result;
        break;
    }
    case WM_MOUSEMOVE:
        // The bare background: controls over it keep their own mouse moves.
        setCaptionLook(0, false);
        setCaptionLook(1, false);
        return 0;
    case WM_SETCURSOR:
        if (m_ui.isBusy()) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_ACTIVATE:
        // The control that had the focus gets it back when the window is active again.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(handle(), focus))
                m_lastFocus = focus;
        } else if (m_lastFocus && IsWindow(m_lastFocus)) {
            SetFocus(m_lastFocus);
            return 0;
        }
        break;
    case WM_DROPFILES: {
        // A file dropped anywhere on the window becomes the list to merge, as the browse button makes it.
        const auto drop = reinterpret_cast<HDROP>(wParam);
        const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        std::wstring file(length + 1, L'\0');
        file.resize(DragQueryFileW(drop, 0, file.data(), length + 1));
        DragFinish(drop);
        if (!file.empty()) {
            m_document.setSourcePath(win32::utf8(file));
            focusPathBox(0);
        }
        return 0;
    }
    case WM_CLOSE:
        if (m_document.queryClose())
            DestroyWindow(handle());
        return 0;
    case WM_DESTROY:
        if (onClosed)
            onClosed();
        return 0;
    default:
        break;
    }
    return Window::onMessage(message, wParam, lParam);
}

void Win32MainWindow::onCommand(int command, int code) {
    static const int kSourcePath = controlId("txtHOSTS(0)");
    static const int kHostsPath = controlId("txtHOSTS(1)");
    if (command == kSourcePath || command == kHostsPath) {
        const int row = command == kSourcePath ? 0 : 1;
        if (code == EN_CHANGE && !m_showingTexts) {
            if (!m_undoingBox)
                m_boxUndo[static_cast<size_t>(row)] = BoxUndo::Undo;
            onPathEdited(row);
        } else if (code == EN_SETFOCUS) {
            // After the box's own handling of a click, which would place the cursor instead.
            PostMessageW(m_paths[static_cast<size_t>(row)], EM_SETSEL, 0, -1);
        }
        return;
    }
    // Buttons and menu items say 0, shortcut keys 1; other controls' notices are not commands.
    if (code > 1)
        return;
    if (command == controlId("btnMerge"))
        onMergeClicked();
    else if (command == controlId("btnBrowse(0)") || command == controlId("btnBrowse(1)"))
        onBrowseClicked(command == controlId("btnBrowse(0)") ? 0 : 1);
    else if (command == controlId("btnOpen"))
        m_desktop.openInTextEditor(m_document.hostsPath());
    else if (command == controlId("btnSave") || command == controlId("mnuFileSave"))
        m_document.save();
    else if (command == controlId("btnSort"))
        m_document.sort();
    else if (command == controlId("btnClear"))
        m_document.clear();
    else if (command == controlId("mnuFileOpen"))
        onOpenHostsTriggered();
    else if (command == controlId("mnuFileExist"))
        PostMessageW(handle(), WM_CLOSE, 0, 0);
    else if (command == controlId("mnuEditFind"))
        onFindTriggered(true);
    else if (command == controlId("mnuFindNext"))
        onFindTriggered(false);
    else if (command == controlId("mnuEditDelete"))
        onDeleteTriggered();
    else if (command == controlId("mnuEditRemoveBlock"))
        m_document.removeBlockAsking();
    else if (command == controlId("mnuEditUndo"))
        m_document.undo();
    else if (command == controlId("mnuEditRedo"))
        m_document.redo();
}

bool Win32MainWindow::onNotify(const NMHDR& header, LRESULT& result) {
    if (m_lines && m_lines->onNotify(header, result))
        return true;
    if (m_addedLines && m_addedLines->onNotify(header, result))
        return true;
    if (header.hwndFrom != control("lstHOSTS"))
        return false;
    if (header.code == LVN_KEYDOWN) {
        onLinesKeyPressed(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
        result = 0;
        return true;
    }
    if (header.code == NM_DBLCLK) {
        m_document.addLine();
        result = 0;
        return true;
    }
    return false;
}

void Win32MainWindow::onPathEdited(int row) {
    const std::string path = win32::utf8(win32::windowText(m_paths[static_cast<size_t>(row)]));
    row == 0 ? m_document.setSourcePath(path) : m_document.setHostsPath(path);
}

void Win32MainWindow::onMergeClicked() {
    m_document.merge();
}

std::string Win32MainWindow::chooseFileToOpen(const std::string& startNear) {
    Win32FileDialogRequest request;
    request.owner = handle();
    request.filter = "All files|*.*";
    request.title = "Open HOSTS";
    request.initialPath = startNear;
    return std::string(trimSpaces(m_desktop.chooseOpenFile(request)));
}

void Win32MainWindow::onBrowseClicked(int row) {
    const std::string chosen = chooseFileToOpen(row == 0 ? m_document.sourcePath() : m_document.hostsPath());
    if (chosen.empty())
        return;
    row == 0 ? m_document.setSourcePath(chosen) : m_document.setHostsPath(chosen);
    focusPathBox(row);
}

void Win32MainWindow::focusPathBox(int row) {
    SetFocus(m_paths[static_cast<size_t>(row)]);
    SendMessageW(m_paths[static_cast<size_t>(row)], EM_SETSEL, 0, -1);
}

void Win32MainWindow::onOpenHostsTriggered() {
    const std::string chosen = chooseFileToOpen(m_document.hostsPath());
    if (!chosen.empty())
        m_document.load(chosen);
}

void Win32MainWindow::onLinesKeyPressed(UINT virtualKey) {
    switch (win32::listKeyAction(virtualKey, held(VK_SHIFT), held(VK_CONTROL), held(VK_MENU))) {
    case win32::ListKeyAction::SelectAll:
        m_document.selectAll();
        break;
    case win32::ListKeyAction::DeleteLines:
        m_document.deleteSelected();
        break;
    case win32::ListKeyAction::AddLine:
        m_document.addLine();
        break;
    case win32::ListKeyAction::FindNext:
        onFindTriggered(false);
        return;
    case win32::ListKeyAction::FindAsking:
        onFindTriggered(true);
        return;
    case win32::ListKeyAction::FocusOnly:
        break;
    }
    SetFocus(m_lines->handle());
}

void Win32MainWindow::onFindTriggered(bool askForText) {
    // After "not found" the user goes on in the list; a hit is shown selected where the focus is.
    if (m_document.find(askForText) == FindResult::NotFound)
        SetFocus(m_lines->handle());
}

void Win32MainWindow::onDeleteTriggered() {
    m_document.deleteSelected();
    SetFocus(m_lines->handle());
}

void Win32MainWindow::onCaptionClicked(int row, bool leftButton) {
    const std::string& path = row == 0 ? m_document.sourcePath() : m_document.hostsPath();
    // A list at a web address is no file to edit and has no folder: the browser shows it.
    if (isWebAddress(path)) {
        if (leftButton)
            m_desktop.openAddress(path);
        return;
    }
    if (leftButton)
        m_desktop.openInTextEditor(path);
    else
        m_desktop.openFolder(folderForLink(path));
}

void Win32MainWindow::setCaptionLook(int row, bool link) {
    if (m_captionLink[static_cast<size_t>(row)] == link)
        return;
    m_captionLink[static_cast<size_t>(row)] = link;
    HWND caption = m_captions[static_cast<size_t>(row)];
    SendMessageW(caption, WM_SETFONT, reinterpret_cast<WPARAM>(win32::tahomaFont(8.25, false, link)), TRUE);
    InvalidateRect(caption, nullptr, TRUE);
}

LRESULT CALLBACK Win32MainWindow::childProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR data) {
    auto* self = reinterpret_cast<Win32MainWindow*>(data);
    for (int row = 0; row < 2; ++row) {
        if (window == self->m_captions[static_cast<size_t>(row)]) {
            if (message == WM_MOUSEMOVE)
                self->setCaptionLook(row, true);
            else if (message == WM_LBUTTONUP || message == WM_RBUTTONUP)
                self->onCaptionClicked(row, message == WM_LBUTTONUP);
        } else if (window == self->m_paths[static_cast<size_t>(row)] && message == WM_MOUSEMOVE) {
            // The path boxes pass their mouse moves on, as the window's background does.
            self->setCaptionLook(0, false);
            self->setCaptionLook(1, false);
        }
    }
    if (window == self->m_credits && message == WM_LBUTTONUP) {
        RECT inside{};
        GetClientRect(window, &inside);
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (PtInRect(&inside, at))
            self->m_desktop.openAddress(credits::kHomePage);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace velmora
