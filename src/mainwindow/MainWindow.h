#pragma once

#include "dialogs/QtUserInterface.h"
#include "document/HostsDocument.h"
#include "platform/DesktopServices.h"

#include <QMainWindow>

#include <functional>

class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace velmora {

class EntryListView;
class GraphicalButton;

// The main window: the HOSTS lines on the left; on the right the two path rows, the merge, open, save
// and clear buttons, the lines added by the last merge and the totals. It shows the document and
// forwards every event to it; it does no file work, no parsing and no editing of its own.
//
// Controls carry their names as object names ("lstHOSTS", "btnMerge", ...); the members of a row are
// named with their row in brackets ("txtHOSTS(0)", "btnBrowse(1)", "lblHOSTS(1)"): row 0 is the list
// to merge, row 1 the HOSTS file.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(FileSystem& files, Environment& environment, DesktopServices& desktop, QWidget* parent = nullptr);
    ~MainWindow() override;

    HostsDocument& document() { return m_document; }
    QtUserInterface& userInterface() { return m_ui; }

    // Loads the HOSTS file (or with noLoad only shows its path); nothing counts as changed afterwards.
    void start(bool noLoad);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A file dropped anywhere on the window becomes the list to merge, as the browse button makes it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls(QWidget* client);
    // The white band at the top with the title and the logo, and the HOSTS lines; returns the band.
    QWidget* buildHeader(QWidget* client);
    void buildPathRows(QWidget* client);
    void buildButtons(QWidget* client);
    void buildFooter(QWidget* client, QWidget* header);
    void buildMenus();
    void connectEvents();
    void showDocumentTexts();

    // Runs one operation of the document the user asked for. One that ends in an exception (out of
    // memory on a list too large) is rolled back and told: the window stays, with the lines as they
    // were before it, which can still be saved.
    void act(const std::function<void()>& operation);

    void onMergeClicked();
    void onBrowseClicked(int row);
    void onOpenHostsTriggered();
    void onLinesKeyPressed(const QKeyEvent& event);
    void onFindTriggered(bool askForText);
    void onDeleteTriggered();
    void onLinesMouseReleased(Qt::MouseButton button, const QPoint& globalPos);
    void onCaptionClicked(int row, Qt::MouseButton button);
    // The Open dialog: existing files only, starting near `near`, modal to this window. Returns the
    // chosen path with surrounding blanks removed, or "" when cancelled.
    std::string chooseFileToOpen(const std::string& near);
    void selectPathText(int row);
    // A caption under the mouse looks like a link (underlined, blue); elsewhere like a label.
    void setCaptionLook(int row, bool link);
    bool isMenuShortcut(const QKeyEvent& event, const QLineEdit& box) const;

    DesktopServices& m_desktop;
    QtUserInterface m_ui;
    HostsDocument m_document;
    QWidget* m_client = nullptr;
    bool m_showingTexts = false;

    EntryListView* m_lines = nullptr;
    EntryListView* m_addedLines = nullptr;
    QLabel* m_captions[2] = {nullptr, nullptr};
    QLineEdit* m_paths[2] = {nullptr, nullptr};
    QPushButton* m_browse[2] = {nullptr, nullptr};
    QLabel* m_addedStatus = nullptr;
    QLabel* m_rereadStatus = nullptr;
    QLabel* m_totalStatus = nullptr;
    GraphicalButton* m_merge = nullptr;
    GraphicalButton* m_open = nullptr;
    GraphicalButton* m_save = nullptr;
    GraphicalButton* m_clear = nullptr;
    GraphicalButton* m_sort = nullptr;
    QLabel* m_credits = nullptr;
    QMenu* m_editMenu = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_saveAction = nullptr;
    QAction* m_exitAction = nullptr;
    QAction* m_findAction = nullptr;
    QAction* m_findNextAction = nullptr;
    QAction* m_deleteAction = nullptr;
    QAction* m_removeBlockAction = nullptr;
    QAction* m_blocksAction = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
};

} // namespace velmora
