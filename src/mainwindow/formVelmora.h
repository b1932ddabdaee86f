#pragma once

#include "dialogs/QtUserInterface.h"
#include "startup/HostsSession.h"

#include <QMainWindow>

#include <cstdint>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace velmora {

class EntryListView;
class GraphicalButton;

// The main window: the HOSTS lines on the left; on the right the two path rows, the merge, open,
// save and clear buttons, the lines added by the last merge and the totals. It shows the session's
// state and forwards every event to it; it does no file work and no parsing of its own.
//
// Every control carries its own name as its object name; members of a control array are named
// with their index in brackets ("txtHOSTS(0)", "btnBrowse(1)", "lblHOSTS(1)") and carry the property
// "index". Handlers take the classic arguments: key codes and shift states as in KeyCodes.h, mouse
// buttons as 1 left, 2 right, 4 middle.
class formVelmora : public QMainWindow {
    Q_OBJECT
public:
    explicit formVelmora(Platform& platform, QWidget* parent = nullptr);
    ~formVelmora() override;

    HostsSession& session() { return m_session; }
    QtUserInterface& ui() { return m_ui; }

    // Start-up: loads the HOSTS file (or with noLoad only shows its path) and clears both flags.
    void Form_Load(bool noLoad);

    // Buttons and the File menu.
    void btnMerge_Click();
    void btnSave_Click();
    void btnSort_Click();
    void btnClear_Click();
    void btnBrowse_Click(int index);
    void mnuFileOpen_Click();
    // The Open dialog: "All files" only, existing files only, starting near initialDir, modal to this
    // window. Returns the chosen path with surrounding blanks removed, or "" when cancelled.
    std::string ShowOpenDialog(const std::string& filter, const std::string& title, const std::string& initialDir);
    // Enter (13) in either path box starts a merge; other keys are left to the box.
    void txtHOSTS_KeyDown(int index, int KeyCode, int Shift);
    void txtHOSTS_GotFocus(int index);

    // Editing and searching the HOSTS list. The key handler never consumes the key: the list handles
    // it afterwards as usual.
    void lstHOSTS_KeyDown(int KeyCode, int Shift);
    // Asks for a line (the current one as default) and appends it at the end as typed.
    void lstHOSTS_DblClick();
    // The right button (2) opens the Edit menu as a pop-up at globalPos; other buttons do nothing.
    void lstHOSTS_MouseUp(int Button, int Shift, const QPoint& globalPos);
    // Selects the first HOSTS line equal to the current added line, ignoring case; nothing when none.
    void lstNew_Click();
    void mnuEditDelete_Click();
    void mnuEditFind_Click();
    void mnuFindNext_Click();

    // Links: the left button (1) over a row caption opens that row's path in the text editor, the right
    // button (2) opens its folder; "Open" opens the HOSTS path; the credit line opens its tooltip.
    void lblHOSTS_MouseUp(int index, int Button);
    void btnOpen_Click();
    void lblCredits_Click();
    // Hover: a caption under the mouse looks like a link (underlined, blue); the mouse over the
    // window's background or a path box returns both captions to the button-text colour.
    void lblHOSTS_MouseMove(int index);
    void Form_MouseMove();

    // Controls, under their own names; control arrays are indexed by element.
    QFrame* Shape1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Image1 = nullptr;
    EntryListView* lstHOSTS = nullptr;
    QLabel* lblHOSTS[2] = {nullptr, nullptr};
    QLineEdit* txtHOSTS[2] = {nullptr, nullptr};
    QPushButton* btnBrowse[2] = {nullptr, nullptr};
    QLabel* lblHOSTS1 = nullptr;
    QLabel* lblHOSTS2 = nullptr;
    GraphicalButton* btnMerge = nullptr;
    GraphicalButton* btnOpen = nullptr;
    QLabel* lblNew = nullptr;
    EntryListView* lstNew = nullptr;
    GraphicalButton* btnSave = nullptr;
    GraphicalButton* btnClear = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblHOSTS3 = nullptr;
    QLabel* Image2 = nullptr;
    GraphicalButton* btnSort = nullptr;
    EntryListView* lstSort = nullptr;
    QLabel* lblCredits = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuFileOpen = nullptr;
    QAction* mnuFileSave = nullptr;
    QAction* mnuFileExist = nullptr;
    QAction* mnuEditFind = nullptr;
    QAction* mnuFindNext = nullptr;
    QAction* mnuEditDelete = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls(QWidget* client);
    void buildMenus();
    void connectEvents();
    void showSessionTexts();
    void setCaptionLook(int index, bool link);
    void deleteSelectedLines();
    void findText(int Shift);
    bool isMenuShortcut(const QKeyEvent& event) const;

    QtUserInterface m_ui;
    HostsSession m_session;
    QWidget* m_client = nullptr;
    bool m_showingTexts = false;
};

} // namespace velmora
