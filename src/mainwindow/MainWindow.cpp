#include "mainwindow/MainWindow.h"

#include "core/TextUtil.h"
#include "core/WebList.h"
#include "dialogs/DisplayText.h"
#include "dialogs/Units.h"
#include "mainwindow/BlocksDialog.h"
#include "mainwindow/Credits.h"
#include "mainwindow/EntryListView.h"
#include "mainwindow/GraphicalButton.h"
#include "mainwindow/ListKeys.h"
#include "mainwindow/QtCollation.h"
#include "mainwindow/WindowLook.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include <new>

namespace velmora {

namespace {

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

template <typename T> T* place(QWidget* parent, const QString& name, int left, int top, int width, int height) {
    auto* widget = new T(parent);
    widget->setObjectName(name);
    widget->setGeometry(twipsRect(left, top, width, height));
    return widget;
}

// A member of a control array: "name(index)", with the property "index".
template <typename T>
T* element(QWidget* parent, const char* name, int index, int left, int top, int width, int height) {
    T* widget =
        place<T>(parent, QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index), left, top, width, height);
    widget->setProperty("index", index);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, int left, int top, int width, int height) {
    auto* widget = place<QLabel>(parent, QLatin1String(name), left, top, width, height);
    widget->setText(caption);
    return widget;
}

// A command button in the graphical style with a white face.
GraphicalButton* whiteButton(QWidget* parent, const char* name, const QString& caption, const QFont& font, int left,
                             int top, int width, int height, const QString& picture = QString()) {
    auto* button = place<GraphicalButton>(parent, QLatin1String(name), left, top, width, height);
    button->setText(caption);
    button->setFont(font);
    button->setFaceColour(Qt::white);
    if (!picture.isEmpty())
        button->setPicture(windowPicture(picture));
    return button;
}

EntryListView* list(QWidget* parent, const LineSource& entries, Selection& selection, const char* name, int left,
                    int top, int width, int height) {
    auto* view = new EntryListView(entries, selection, parent);
    view->setObjectName(QLatin1String(name));
    view->setGeometry(twipsRect(left, top, width, height));
    return view;
}

} // namespace

MainWindow::MainWindow(FileSystem& files, Environment& environment, DesktopServices& desktop, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint),
      m_desktop(desktop), m_ui(desktop, this), m_document(files, environment, m_ui) {
    setObjectName(QStringLiteral("formVelmora"));
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(programIcon());
    m_document.setCollation(std::make_unique<QtCollation>());

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setFixedSize(twips(7770), twips(6465));
    // The window's default font, used by every control without a font of its own.
    m_client->setFont(msSansSerifFont(8.25));
    setCentralWidget(m_client);
    buildControls(m_client);
    buildMenus();
    connectEvents();
    // Equal least and greatest sizes are what tells an X window manager to offer no resizing and no
    // maximising; the window flags only ask for the buttons.
    setFixedSize(sizeHint());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAcceptDrops(true);
    m_document.setTextsListener([this] { showDocumentTexts(); });
}

MainWindow::~MainWindow() {
    m_document.setTextsListener(nullptr);
    // The views watch the document's lines: they go first, while the lines they stop watching are
    // still there (Qt would delete them with the window, after the document).
    delete m_lines;
    delete m_addedLines;
}

void MainWindow::buildControls(QWidget* client) {
    QWidget* header = buildHeader(client);
    buildPathRows(client);
    buildButtons(client);
    buildFooter(client, header);
}

QWidget* MainWindow::buildHeader(QWidget* client) {
    auto* header = place<QFrame>(client, QStringLiteral("Shape1"), -15, -15, 7845, 1020);
    header->setFrameStyle(QFrame::Box | QFrame::Plain);
    header->setAutoFillBackground(true);
    {
        QPalette palette = header->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, QColor(0x8d, 0x9b, 0xb3));
        header->setPalette(palette);
    }
    // A shape takes no mouse events: the window's background handles them.
    header->setAttribute(Qt::WA_TransparentForMouseEvents);
    QLabel* title = label(client, "Label1", QStringLiteral("Velmora"), 210, 210, 4845, 540);
    title->setFont(tahomaFont(21.75));
    auto* logo = place<QLabel>(client, QStringLiteral("Image1"), 6255, 120, 720, 720);
    logo->setScaledContents(true);
    logo->setPixmap(windowPicture(QStringLiteral("velmora48.png")));

    m_lines = list(client, m_document.lines(), m_document.selection(), "lstHOSTS", 15, 1080, 4890, 4845);
    m_lines->setFont(tahomaFont(8.25));
    m_lines->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lines->setRightButtonSelects(false);
    m_lines->setContextMenuPolicy(Qt::PreventContextMenu);
    setTextColour(m_lines, darkBlue());
    return header;
}

void MainWindow::buildPathRows(QWidget* client) {
    m_captions[0] = element<QLabel>(client, "lblHOSTS", 0, 5010, 1065, 2130, 225);
    m_captions[0]->setText(QStringLiteral("New HOSTS"));
    m_paths[0] = element<QLineEdit>(client, "txtHOSTS", 0, 4980, 1275, 2355, 330);
    m_browse[0] = element<QPushButton>(client, "btnBrowse", 0, 7335, 1260, 330, 330);
    m_addedStatus = label(client, "lblHOSTS1", QString(), 5085, 1620, 1380, 300);
    m_captions[1] = element<QLabel>(client, "lblHOSTS", 1, 4995, 1890, 1380, 300);
    m_captions[1]->setText(QStringLiteral("Current HOSTS"));
    m_paths[1] = element<QLineEdit>(client, "txtHOSTS", 1, 4980, 2115, 2355, 330);
    m_browse[1] = element<QPushButton>(client, "btnBrowse", 1, 7335, 2115, 330, 330);
    m_rereadStatus = label(client, "lblHOSTS2", QString(), 5085, 2460, 1380, 300);
    for (int row = 0; row < 2; ++row) {
        m_captions[row]->setFont(tahomaFont(8.25));
        setCaptionLook(row, false);
        m_browse[row]->setText(QStringLiteral("..."));
    }
}

void MainWindow::buildButtons(QWidget* client) {
    m_merge = whiteButton(client, "btnMerge", QStringLiteral("&Load / Merge >>"), tahomaFont(8.25, true), 4980, 2670,
                          2115, 570);
    m_open = whiteButton(client, "btnOpen", QStringLiteral("Open"), tahomaFont(8.25), 7080, 2670, 615, 570,
                         QStringLiteral("open16.png"));
    label(client, "lblNew", QStringLiteral("Added sites:"), 5010, 3375, 1200, 240);
    m_addedLines = list(client, m_document.addedLines(), m_document.addedSelection(), "lstNew", 4950, 3570, 2685, 1230);
    m_addedLines->setSelectionMode(QAbstractItemView::SingleSelection);
    {
        QPalette palette = m_addedLines->palette();
        palette.setColor(QPalette::Base, lightYellow());
        m_addedLines->setPalette(palette);
    }
    m_save = whiteButton(client, "btnSave", QStringLiteral("Save"), tahomaFont(8.25), 5775, 4920, 1215, 615,
                         QStringLiteral("save16.png"));
    m_clear = whiteButton(client, "btnClear", QStringLiteral("Clear"), tahomaFont(8.25), 6960, 4920, 675, 615,
                          QStringLiteral("clear20.png"));
    QLabel* arrow = label(client, "Label2", QStringLiteral("==>"), 5040, 5115, 900, 240);
    arrow->setAlignment(Qt::AlignCenter);
    arrow->setFont(msSansSerifFont(9.75, true));
    m_totalStatus = label(client, "lblHOSTS3", QString(), 5085, 5685, 2580, 300);
}

void MainWindow::buildFooter(QWidget* client, QWidget* header) {
    auto* band = place<QLabel>(client, QStringLiteral("Image2"), -15, 5970, 7875, 840);
    band->setScaledContents(true);
    band->setPixmap(windowPicture(QStringLiteral("band.png")));
    m_sort = whiteButton(client, "btnSort", QStringLiteral("Sort"), tahomaFont(8.25, true), 15, 6105, 645, 285);
    m_credits = label(client, "lblCredits", QString::fromUtf8(credits::kText), 5985, 6150, 1635, 255);
    m_credits->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_credits->setFont(msSansSerifFont(8.25, false, true));
    m_credits->setToolTip(QString::fromLatin1(credits::kHomePage));

    for (QLabel* blue : {m_addedStatus, m_rereadStatus, m_totalStatus, m_credits})
        setTextColour(blue, pureBlue());
    band->lower();
    header->lower();

    // The focus order; labels and pictures take no focus.
    const QWidget* const order[] = {m_paths[0],   m_browse[0], m_paths[1], m_browse[1], m_merge, m_open,
                                    m_addedLines, m_save,      m_clear,    m_lines,     m_sort};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
}

void MainWindow::buildMenus() {
    const auto item = [](QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        // Shortcuts act wherever the focus is in the window.
        action->setShortcutContext(Qt::WindowShortcut);
        return action;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    m_openAction = item(file, "mnuFileOpen", QStringLiteral("&Open HOSTS"), QKeySequence(Qt::CTRL | Qt::Key_O));
    m_saveAction = item(file, "mnuFileSave", QStringLiteral("&Save HOSTS"), QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator()->setObjectName(QStringLiteral("mnuFileSep1"));
    m_exitAction = item(file, "mnuFileExist", QStringLiteral("E&xit"), QKeySequence());

    m_editMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    m_editMenu->setObjectName(QStringLiteral("mnuEdit"));
    m_undoAction = item(m_editMenu, "mnuEditUndo", QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redoAction = item(m_editMenu, "mnuEditRedo", QStringLiteral("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y));
    m_redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    m_undoAction->setEnabled(false);
    m_redoAction->setEnabled(false);
    m_editMenu->addSeparator()->setObjectName(QStringLiteral("mnuEditSep0"));
    m_findAction = item(m_editMenu, "mnuEditFind", QStringLiteral("&Find"), QKeySequence(Qt::CTRL | Qt::Key_F));
    m_findNextAction = item(m_editMenu, "mnuFindNext", QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3));
    m_editMenu->addSeparator()->setObjectName(QStringLiteral("mnuEditSep1"));
    m_deleteAction = item(m_editMenu, "mnuEditDelete", QStringLiteral("&Delete"), QKeySequence(Qt::Key_Delete));
    m_removeBlockAction = item(m_editMenu, "mnuEditRemoveBlock", QStringLiteral("Remove &block..."), QKeySequence());
    m_blocksAction = item(m_editMenu, "mnuEditBlocks", QStringLiteral("Bloc&ks..."), QKeySequence());
}

void MainWindow::connectEvents() {
    connect(m_merge, &QPushButton::clicked, this, &MainWindow::onMergeClicked);
    connect(m_open, &QPushButton::clicked, this, [this] { m_desktop.openInTextEditor(m_document.hostsPath()); });
    const auto save = [this] { act([this] { m_document.save(); }); };
    connect(m_save, &QPushButton::clicked, this, save);
    connect(m_sort, &QPushButton::clicked, this, [this] { act([this] { m_document.sort(); }); });
    connect(m_clear, &QPushButton::clicked, this, [this] { act([this] { m_document.clear(); }); });
    connect(m_openAction, &QAction::triggered, this, &MainWindow::onOpenHostsTriggered);
    connect(m_saveAction, &QAction::triggered, this, save);
    connect(m_exitAction, &QAction::triggered, this, &QWidget::close);
    connect(m_findAction, &QAction::triggered, this, [this] { onFindTriggered(true); });
    connect(m_findNextAction, &QAction::triggered, this, [this] { onFindTriggered(false); });
    connect(m_deleteAction, &QAction::triggered, this, &MainWindow::onDeleteTriggered);
    connect(m_removeBlockAction, &QAction::triggered, this,
            [this] { act([this] { m_document.removeBlockAsking(); }); });
    connect(m_blocksAction, &QAction::triggered, this, [this] {
        BlocksDialog dialog(m_document, this);
        dialog.exec();
    });
    connect(m_undoAction, &QAction::triggered, this, [this] { act([this] { m_document.undo(); }); });
    connect(m_redoAction, &QAction::triggered, this, [this] { act([this] { m_document.redo(); }); });

    for (int row = 0; row < 2; ++row) {
        connect(m_browse[row], &QPushButton::clicked, this, [this, row] { onBrowseClicked(row); });
        connect(m_paths[row], &QLineEdit::textChanged, this, [this, row](const QString& text) {
            if (m_showingTexts)
                return;
            const std::string path = pathFromUser(text);
            row == 0 ? m_document.setSourcePath(path) : m_document.setHostsPath(path);
        });
        m_paths[row]->installEventFilter(this);
        m_paths[row]->setAcceptDrops(false); // a dropped file goes to the window, which takes its path
        m_paths[row]->setMouseTracking(true);
        m_captions[row]->installEventFilter(this);
        m_captions[row]->setMouseTracking(true);
    }
    m_client->installEventFilter(this);
    m_client->setMouseTracking(true);
    m_credits->installEventFilter(this);

    connect(m_lines, &EntryListView::keyPressed, this, [this](QKeyEvent* event) { onLinesKeyPressed(*event); });
    connect(m_lines, &EntryListView::doubleClicked, this, [this] { act([this] { m_document.addLine(); }); });
    connect(m_lines, &EntryListView::mouseReleased, this,
            [this](QMouseEvent* event) { onLinesMouseReleased(event->button(), event->globalPosition().toPoint()); });
    connect(m_addedLines, &EntryListView::currentPicked, this, [this] { m_document.selectCurrentAddedLine(); });
}

void MainWindow::showDocumentTexts() {
    m_showingTexts = true;
    const std::string* paths[] = {&m_document.sourcePath(), &m_document.hostsPath()};
    for (int row = 0; row < 2; ++row) {
        const QString path = pathForDisplay(*paths[row]);
        if (m_paths[row]->text() != path)
            m_paths[row]->setText(path);
    }
    m_addedStatus->setText(QString::fromStdString(m_document.addedStatus()));
    m_rereadStatus->setText(QString::fromStdString(m_document.rereadStatus()));
    m_totalStatus->setText(QString::fromStdString(m_document.totalStatus()));
    m_undoAction->setEnabled(m_document.canUndo());
    m_redoAction->setEnabled(m_document.canRedo());
    m_showingTexts = false;
}

void MainWindow::start(bool noLoad) {
    act([this, noLoad] { m_document.start(noLoad); });
}

void MainWindow::act(const std::function<void()>& operation) {
    const HostsDocument::Checkpoint before = m_document.checkpoint();
    std::string failure;
    try {
        operation();
        return;
    } catch (const std::bad_alloc&) {
        failure = "Velmora ran out of memory, so the last action was not done";
    } catch (const std::exception& error) {
        failure = std::string("The last action was not done because of an internal error (") + error.what() + ")";
    }
    m_document.ui().progress().close();
    m_document.rollBack(before);
    m_document.ui().reportError(failure +
                                ". The list is as it was before it; you can still save it (to another file if "
                                "need be), then close other programs or use a smaller list.");
}

void MainWindow::onMergeClicked() {
    act([this] { m_document.merge(); });
}

std::string MainWindow::chooseFileToOpen(const std::string& near) {
    FileDialogRequest request;
    request.owner = this;
    request.filter = "All files|*.*";
    request.title = "Open HOSTS";
    request.initialPath = near;
    return std::string(trimSpaces(m_desktop.chooseOpenFile(request)));
}

void MainWindow::onBrowseClicked(int row) {
    const std::string chosen = chooseFileToOpen(row == 0 ? m_document.sourcePath() : m_document.hostsPath());
    if (chosen.empty())
        return;
    row == 0 ? m_document.setSourcePath(chosen) : m_document.setHostsPath(chosen);
    m_paths[row]->setFocus(Qt::OtherFocusReason);
    selectPathText(row);
}

namespace {
// The list among what is dragged: the first local file, else the first web address a merge can
// download; empty when there is neither.
QString droppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    for (const QUrl& url : urls) {
        if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
            return url.toString();
    }
    return {};
}
} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    if (!m_document.setDroppedSourcePath(file.toStdString()))
        return;
    m_paths[0]->setFocus(Qt::OtherFocusReason);
    selectPathText(0);
}

void MainWindow::onOpenHostsTriggered() {
    const std::string chosen = chooseFileToOpen(m_document.hostsPath());
    if (!chosen.empty())
        act([&] { m_document.load(chosen); });
}

void MainWindow::selectPathText(int row) {
    m_paths[row]->selectAll();
}

void MainWindow::onLinesKeyPressed(const QKeyEvent& event) {
    switch (listKeyAction(event.key(), event.modifiers())) {
    case ListKeyAction::SelectAll:
        m_document.selectAll();
        break;
    case ListKeyAction::DeleteLines:
        act([this] { m_document.deleteSelected(); });
        break;
    case ListKeyAction::AddLine:
        act([this] { m_document.addLine(); });
        break;
    case ListKeyAction::FindNext:
        onFindTriggered(false);
        return;
    case ListKeyAction::FindAsking:
        onFindTriggered(true);
        return;
    case ListKeyAction::FocusOnly:
        break;
    }
    m_lines->setFocus();
}

void MainWindow::onFindTriggered(bool askForText) {
    // After "not found" the user goes on in the list; a hit is shown selected where the focus is.
    if (m_document.find(askForText) == FindResult::NotFound)
        m_lines->setFocus();
}

void MainWindow::onDeleteTriggered() {
    act([this] { m_document.deleteSelected(); });
    m_lines->setFocus();
}

void MainWindow::onLinesMouseReleased(Qt::MouseButton button, const QPoint& globalPos) {
    if (button == Qt::RightButton)
        m_editMenu->popup(globalPos);
}

void MainWindow::onCaptionClicked(int row, Qt::MouseButton button) {
    const std::string& path = row == 0 ? m_document.sourcePath() : m_document.hostsPath();
    // A list at a web address is no file to edit and has no folder: the browser shows it.
    if (isWebAddress(path)) {
        if (button == Qt::LeftButton)
            m_desktop.openAddress(path);
        return;
    }
    if (button == Qt::LeftButton)
        m_desktop.openInTextEditor(path);
    else if (button == Qt::RightButton)
        m_desktop.openFolder(folderForLink(path));
}

void MainWindow::setCaptionLook(int row, bool link) {
    QLabel* caption = m_captions[row];
    QFont font = caption->font();
    font.setUnderline(link);
    caption->setFont(font);
    QPalette palette = caption->palette();
    palette.setColor(QPalette::WindowText, link ? pureBlue() : QApplication::palette().color(QPalette::ButtonText));
    caption->setPalette(palette);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_document.queryClose())
        event->accept();
    else
        event->ignore();
}

bool MainWindow::isMenuShortcut(const QKeyEvent& event, const QLineEdit& box) const {
    const QKeySequence pressed(event.keyCombination());
    for (const QAction* action : {m_openAction, m_saveAction, m_findAction, m_findNextAction, m_deleteAction}) {
        if (action->shortcut() == pressed)
            return true;
    }
    // Typing in the box is taken back first; after that the keys take back changes of the lines.
    return (m_undoAction->shortcuts().contains(pressed) && !box.isUndoAvailable()) ||
           (m_redoAction->shortcuts().contains(pressed) && !box.isRedoAvailable());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    for (int row = 0; row < 2; ++row) {
        if (watched == m_paths[row]) {
            switch (event->type()) {
            case QEvent::ShortcutOverride:
                // A text box would keep Del (and any other key it edits with) for itself; the menu's
                // shortcuts win over it.
                if (isMenuShortcut(*static_cast<QKeyEvent*>(event), *m_paths[row])) {
                    event->ignore();
                    return true;
                }
                break;
            case QEvent::KeyPress: {
                const int key = static_cast<QKeyEvent*>(event)->key();
                if (key == Qt::Key_Return || key == Qt::Key_Enter)
                    onMergeClicked();
                break;
            }
            case QEvent::FocusIn:
                // After the box's own focus handling, which would place the cursor instead.
                QMetaObject::invokeMethod(
                    this, [this, row] { selectPathText(row); }, Qt::QueuedConnection);
                break;
            case QEvent::MouseMove:
                setCaptionLook(0, false);
                setCaptionLook(1, false);
                break;
            default:
                break;
            }
            return QMainWindow::eventFilter(watched, event);
        }
        if (watched == m_captions[row]) {
            if (event->type() == QEvent::MouseMove)
                setCaptionLook(row, true);
            else if (event->type() == QEvent::MouseButtonRelease)
                onCaptionClicked(row, static_cast<QMouseEvent*>(event)->button());
            return QMainWindow::eventFilter(watched, event);
        }
    }
    if (watched == m_client && event->type() == QEvent::MouseMove) {
        // Only the bare background: controls over it keep their own mouse moves.
        if (!m_client->childAt(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            setCaptionLook(0, false);
            setCaptionLook(1, false);
        }
    } else if (watched == m_credits && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_credits->rect().contains(mouse->position().toPoint()))
            m_desktop.openAddress(m_credits->toolTip().toStdString());
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace velmora
