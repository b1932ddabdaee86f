#pragma once

#include "document/HostsDocument.h"
#include "win32/Win32UserInterface.h"
#include "win32/Win32Window.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace velmora {

class Win32Desktop;
class Win32ListView;

// The main window of the Win32 front end ("formVelmora"), as MainWindow is the Qt one's: the HOSTS lines
// on the left; on the right the two path rows, the merge, open, save and clear buttons, the lines added
// by the last merge and the totals. It shows the document and forwards every event to it; it does no
// file work, no parsing and no editing of its own.
//
// Each control is a child window whose control identifier controlId() gives by the control's form name
// ("lstHOSTS", "btnMerge", ...; a row's members with their row in brackets: "txtHOSTS(0)",
// "btnBrowse(1)", "lblHOSTS(1)", row 0 the list to merge, row 1 the HOSTS file). The menu items are
// commands of the same kind ("mnuFileOpen", "mnuEditDelete", ...).
class Win32MainWindow : public win32::Window {
public:
    Win32MainWindow(FileSystem& files, Environment& environment, Win32Desktop& desktop);
    ~Win32MainWindow() override;

    HostsDocument& document() { return m_document; }
    Win32UserInterface& ui() { return m_ui; }

    // Loads the HOSTS file (or with noLoad only shows its path); nothing counts as changed afterwards.
    void start(bool noLoad);

    // The window's part of the message loop, before a message is dispatched: the menus' shortcut keys
    // (which act wherever the focus is), Enter and the typing undo of the path boxes, Tab between the
    // controls. True when the message was taken.
    bool translate(MSG& message);

    // The identifier of a control or menu command by its form name; -1 for an unknown name.
    static int controlId(std::string_view name);
    HWND control(std::string_view name) const;

    // Called once the window has closed (the program then ends).
    std::function<void()> onClosed;

private:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void buildControls();
    void fitCreditLine();
    HBRUSH bandBrush();
    HMENU buildMenus();
    void showDocumentTexts();
    void paint();
    void drawCredits(const DRAWITEMSTRUCT& item);

    void onCommand(int id, int code);
    bool onNotify(const NMHDR& header, LRESULT& result);
    void onMergeClicked();
    void onBrowseClicked(int row);
    void onOpenHostsTriggered();
    void onLinesKeyPressed(UINT virtualKey);
    void onFindTriggered(bool askForText);
    void onDeleteTriggered();
    void onCaptionClicked(int row, bool leftButton);
    void onPathEdited(int row);
    // The Open dialog: existing files only, starting near `startNear`. The chosen path with surrounding
    // blanks removed, or "" when cancelled.
    std::string chooseFileToOpen(const std::string& startNear);
    void focusPathBox(int row);
    // A caption under the mouse looks like a link (underlined, blue); elsewhere like a label.
    void setCaptionLook(int row, bool link);
    LRESULT colourStatic(HDC dc, HWND control);
    void setBusyPointer();
    static LRESULT CALLBACK childProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR self);

    Win32Desktop& m_desktop;
    Win32UserInterface m_ui;
    HostsDocument m_document;
    bool m_showingTexts = false;

    std::unique_ptr<Win32ListView> m_lines;
    std::unique_ptr<Win32ListView> m_addedLines;
    std::array<HWND, 2> m_captions{};
    std::array<HWND, 2> m_paths{};
    std::array<bool, 2> m_captionLink{};
    // What Ctrl+Z and Ctrl+Y do in a path box first: take back or make again the typing there.
    enum class BoxUndo { None, Undo, Redo };
    std::array<BoxUndo, 2> m_boxUndo{};
    bool m_undoingBox = false;
    HWND m_credits = nullptr;
    HWND m_tooltip = nullptr;
    HWND m_lastFocus = nullptr;
    HMENU m_menu = nullptr;
    HMENU m_editMenu = nullptr;
    HACCEL m_accelerators = nullptr;
    HBRUSH m_bandBrush = nullptr;
};

} // namespace velmora
