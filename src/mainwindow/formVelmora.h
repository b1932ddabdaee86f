#pragma once

#include "dialogs/QtUserInterface.h"
#include "startup/HostsSession.h"

#include <QMainWindow>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace velmora {

class EntryListView;

// The main window: the HOSTS lines on the left; on the right the two path rows, the merge, open,
// save and clear buttons, the lines added by the last merge and the totals. It shows the session's
// state and forwards every event to it; it does no file work and no parsing of its own.
class formVelmora : public QMainWindow {
    Q_OBJECT
public:
    explicit formVelmora(Platform& platform, QWidget* parent = nullptr);
    ~formVelmora() override;

    HostsSession& session() { return m_session; }
    QtUserInterface& ui() { return m_ui; }

    // Start-up: loads the HOSTS file (or with noLoad only shows its path) and clears both flags.
    void Form_Load(bool noLoad);

    void btnMerge_Click();
    void btnSave_Click();
    void btnSort_Click();
    void btnClear_Click();
    void btnBrowse_Click(int index);
    void mnuFileOpen_Click();
    std::string ShowOpenDialog(const std::string& filter, const std::string& title, const std::string& initialDir);

    // Controls, under their design names; control arrays are indexed by element.
    EntryListView* lstHOSTS = nullptr;
    EntryListView* lstNew = nullptr;
    EntryListView* lstSort = nullptr;
    QLineEdit* txtHOSTS[2] = {nullptr, nullptr};
    QPushButton* btnBrowse[2] = {nullptr, nullptr};
    QLabel* lblHOSTS[2] = {nullptr, nullptr};
    QLabel* lblHOSTS1 = nullptr;
    QLabel* lblHOSTS2 = nullptr;
    QLabel* lblHOSTS3 = nullptr;
    QLabel* lblNew = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblCredits = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QWidget* Shape1 = nullptr;
    QPushButton* btnMerge = nullptr;
    QPushButton* btnOpen = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* btnSort = nullptr;
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
    void buildControls();
    void buildMenus();
    void showSessionTexts();

    QtUserInterface m_ui;
    HostsSession m_session;
    bool m_showingTexts = false;
};

} // namespace velmora
