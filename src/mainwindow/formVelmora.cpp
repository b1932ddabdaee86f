#include "mainwindow/formVelmora.h"

#include "core/TextUtil.h"
#include "dialogs/DisplayText.h"
#include "dialogs/Units.h"
#include "mainwindow/Credits.h"
#include "mainwindow/EntryListView.h"
#include "mainwindow/GraphicalButton.h"
#include "mainwindow/KeyCodes.h"
#include "mainwindow/QtCollation.h"
#include "mainwindow/WindowLook.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

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

EntryListView* list(QWidget* parent, EntryList& entries, const char* name, int left, int top, int width, int height) {
    auto* view = new EntryListView(entries, parent);
    view->setObjectName(QLatin1String(name));
    view->setGeometry(twipsRect(left, top, width, height));
    return view;
}

} // namespace

formVelmora::formVelmora(Platform& platform, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_ui(this), m_session(platform, m_ui) {
    setObjectName(QStringLiteral("formVelmora"));
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(programIcon());
    m_session.setDialogOwner(this);
    m_session.setCollation(std::make_unique<QtCollation>());

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setFixedSize(twips(7770), twips(6465));
    // The window's default font, used by every control without a font of its own.
    m_client->setFont(msSansSerifFont(8.25));
    setCentralWidget(m_client);
    buildControls(m_client);
    buildMenus();
    connectEvents();
    setFixedSize(sizeHint());
    m_session.onTextsChanged = [this] { showSessionTexts(); };
}

formVelmora::~formVelmora() {
    m_session.onTextsChanged = nullptr;
}

void formVelmora::buildControls(QWidget* client) {
    Shape1 = place<QFrame>(client, QStringLiteral("Shape1"), -15, -15, 7845, 1020);
    Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Shape1->setAutoFillBackground(true);
    {
        QPalette palette = Shape1->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, QColor(0x8d, 0x9b, 0xb3));
        Shape1->setPalette(palette);
    }
    // A shape takes no mouse events: the window's background handles them.
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label1 = label(client, "Label1", QStringLiteral("Velmora"), 210, 210, 4845, 540);
    Label1->setFont(tahomaFont(21.75));
    Image1 = place<QLabel>(client, QStringLiteral("Image1"), 6255, 120, 720, 720);
    Image1->setScaledContents(true);
    Image1->setPixmap(windowPicture(QStringLiteral("velmora48.png")));

    lstHOSTS = list(client, m_session.lstHOSTS, "lstHOSTS", 15, 1080, 4890, 4845);
    lstHOSTS->setFont(tahomaFont(8.25));
    lstHOSTS->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstHOSTS->setRightButtonSelects(false);
    lstHOSTS->setContextMenuPolicy(Qt::PreventContextMenu);
    setTextColour(lstHOSTS, darkBlue());

    lblHOSTS[0] = element<QLabel>(client, "lblHOSTS", 0, 5010, 1065, 2130, 225);
    lblHOSTS[0]->setText(QStringLiteral("New HOSTS"));
    txtHOSTS[0] = element<QLineEdit>(client, "txtHOSTS", 0, 4980, 1275, 2355, 330);
    btnBrowse[0] = element<QPushButton>(client, "btnBrowse", 0, 7335, 1260, 330, 330);
    lblHOSTS1 = label(client, "lblHOSTS1", QString(), 5085, 1620, 1380, 300);
    lblHOSTS[1] = element<QLabel>(client, "lblHOSTS", 1, 4995, 1890, 1380, 300);
    lblHOSTS[1]->setText(QStringLiteral("Current HOSTS"));
    txtHOSTS[1] = element<QLineEdit>(client, "txtHOSTS", 1, 4980, 2115, 2355, 330);
    btnBrowse[1] = element<QPushButton>(client, "btnBrowse", 1, 7335, 2115, 330, 330);
    lblHOSTS2 = label(client, "lblHOSTS2", QString(), 5085, 2460, 1380, 300);
    for (int i = 0; i < 2; ++i) {
        lblHOSTS[i]->setFont(tahomaFont(8.25));
        setCaptionLook(i, false);
        btnBrowse[i]->setText(QStringLiteral("..."));
    }

    btnMerge = whiteButton(client, "btnMerge", QStringLiteral("&Load / Merge >>"), tahomaFont(8.25, true), 4980, 2670,
                           2115, 570);
    btnOpen = whiteButton(client, "btnOpen", QStringLiteral("Open"), tahomaFont(8.25), 7080, 2670, 615, 570,
                          QStringLiteral("open16.png"));
    lblNew = label(client, "lblNew", QStringLiteral("Added sites:"), 5010, 3375, 1200, 240);
    lstNew = list(client, m_session.lstNew, "lstNew", 4950, 3570, 2685, 1230);
    lstNew->setSelectionMode(QAbstractItemView::SingleSelection);
    {
        QPalette palette = lstNew->palette();
        palette.setColor(QPalette::Base, lightYellow());
        lstNew->setPalette(palette);
    }
    btnSave = whiteButton(client, "btnSave", QStringLiteral("Save"), tahomaFont(8.25), 5775, 4920, 1215, 615,
                          QStringLiteral("save16.png"));
    btnClear = whiteButton(client, "btnClear", QStringLiteral("Clear"), tahomaFont(8.25), 6960, 4920, 675, 615,
                           QStringLiteral("clear20.png"));
    Label2 = label(client, "Label2", QStringLiteral("==>"), 5040, 5115, 900, 240);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setFont(msSansSerifFont(9.75, true));
    lblHOSTS3 = label(client, "lblHOSTS3", QString(), 5085, 5685, 2580, 300);

    Image2 = place<QLabel>(client, QStringLiteral("Image2"), -15, 5970, 7875, 840);
    Image2->setScaledContents(true);
    Image2->setPixmap(windowPicture(QStringLiteral("band.png")));
    btnSort = whiteButton(client, "btnSort", QStringLiteral("Sort"), tahomaFont(8.25, true), 15, 6105, 645, 285);
    lstSort = list(client, m_session.lstSort, "lstSort", 675, 6105, 150, 255);
    lstSort->setFollowsListVisibility(false);
    lstSort->setFocusPolicy(Qt::NoFocus);
    lstSort->hide();
    lblCredits = label(client, "lblCredits", QString::fromUtf8(credits::kText), 5985, 6150, 1635, 255);
    lblCredits->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblCredits->setFont(msSansSerifFont(8.25, false, true));
    lblCredits->setToolTip(QString::fromLatin1(credits::kHomePage));

    for (QLabel* blue : {lblHOSTS1, lblHOSTS2, lblHOSTS3, lblCredits})
        setTextColour(blue, pureBlue());
    Image2->lower();
    Shape1->lower();

    // The focus order; labels, pictures and the hidden sort list take no focus.
    const QWidget* const order[] = {txtHOSTS[0], btnBrowse[0], txtHOSTS[1], btnBrowse[1], btnMerge, btnOpen,
                                    lstNew,      btnSave,      btnClear,    lstHOSTS,     btnSort};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
}

void formVelmora::buildMenus() {
    const auto item = [](QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        // Shortcuts act wherever the focus is in the window.
        action->setShortcutContext(Qt::WindowShortcut);
        return action;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileOpen = item(mnuFile, "mnuFileOpen", QStringLiteral("&Open HOSTS"), QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileSave = item(mnuFile, "mnuFileSave", QStringLiteral("&Save HOSTS"), QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuFileSep1"));
    mnuFileExist = item(mnuFile, "mnuFileExist", QStringLiteral("E&xit"), QKeySequence());

    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEditFind = item(mnuEdit, "mnuEditFind", QStringLiteral("&Find"), QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuFindNext = item(mnuEdit, "mnuFindNext", QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3));
    mnuEdit->addSeparator()->setObjectName(QStringLiteral("mnuEditSep1"));
    mnuEditDelete = item(mnuEdit, "mnuEditDelete", QStringLiteral("&Delete"), QKeySequence(Qt::Key_Delete));
}

void formVelmora::connectEvents() {
    connect(btnMerge, &QPushButton::clicked, this, &formVelmora::btnMerge_Click);
    connect(btnOpen, &QPushButton::clicked, this, &formVelmora::btnOpen_Click);
    connect(btnSave, &QPushButton::clicked, this, &formVelmora::btnSave_Click);
    connect(btnSort, &QPushButton::clicked, this, &formVelmora::btnSort_Click);
    connect(btnClear, &QPushButton::clicked, this, &formVelmora::btnClear_Click);
    connect(mnuFileOpen, &QAction::triggered, this, &formVelmora::mnuFileOpen_Click);
    connect(mnuFileSave, &QAction::triggered, this, &formVelmora::btnSave_Click);
    connect(mnuFileExist, &QAction::triggered, this, &QWidget::close);
    connect(mnuEditFind, &QAction::triggered, this, &formVelmora::mnuEditFind_Click);
    connect(mnuFindNext, &QAction::triggered, this, &formVelmora::mnuFindNext_Click);
    connect(mnuEditDelete, &QAction::triggered, this, &formVelmora::mnuEditDelete_Click);

    for (int i = 0; i < 2; ++i) {
        connect(btnBrowse[i], &QPushButton::clicked, this, [this, i] { btnBrowse_Click(i); });
        connect(txtHOSTS[i], &QLineEdit::textChanged, this, [this, i](const QString& text) {
            if (!m_showingTexts)
                m_session.setTxtHOSTS(i, pathFromUser(text));
        });
        txtHOSTS[i]->installEventFilter(this);
        txtHOSTS[i]->setMouseTracking(true);
        lblHOSTS[i]->installEventFilter(this);
        lblHOSTS[i]->setMouseTracking(true);
    }
    m_client->installEventFilter(this);
    m_client->setMouseTracking(true);
    lblCredits->installEventFilter(this);

    connect(lstHOSTS, &EntryListView::keyDown, this,
            [this](QKeyEvent* event) { lstHOSTS_KeyDown(virtualKeyCode(*event), shiftState(event->modifiers())); });
    connect(lstHOSTS, &EntryListView::dblClick, this, &formVelmora::lstHOSTS_DblClick);
    connect(lstHOSTS, &EntryListView::mouseUp, this, [this](QMouseEvent* event) {
        lstHOSTS_MouseUp(mouseButtonCode(event->button()), shiftState(event->modifiers()),
                         event->globalPosition().toPoint());
    });
    connect(lstNew, &EntryListView::click, this, &formVelmora::lstNew_Click);
}

void formVelmora::showSessionTexts() {
    m_showingTexts = true;
    for (int i = 0; i < 2; ++i) {
        const QString path = pathForDisplay(m_session.txtHOSTS(i));
        if (txtHOSTS[i]->text() != path)
            txtHOSTS[i]->setText(path);
    }
    lblHOSTS1->setText(QString::fromStdString(m_session.label(HostsSession::Label::HOSTS1)));
    lblHOSTS2->setText(QString::fromStdString(m_session.label(HostsSession::Label::HOSTS2)));
    lblHOSTS3->setText(QString::fromStdString(m_session.label(HostsSession::Label::HOSTS3)));
    m_showingTexts = false;
}

void formVelmora::Form_Load(bool noLoad) {
    m_session.startInteractive(noLoad);
}

void formVelmora::btnMerge_Click() {
    m_session.btnMerge_Click();
}

void formVelmora::btnSave_Click() {
    m_session.SaveHOSTS(std::string());
}

void formVelmora::btnSort_Click() {
    m_session.btnSort_Click();
}

void formVelmora::btnClear_Click() {
    m_session.btnClear_Click();
}

std::string formVelmora::ShowOpenDialog(const std::string& filter, const std::string& title,
                                        const std::string& initialDir) {
    FileDialogRequest request;
    request.owner = this;
    request.filter = filter;
    request.title = title;
    request.initialPath = initialDir;
    return std::string(trimSpaces(m_session.platform().chooseOpenFile(request)));
}

void formVelmora::btnBrowse_Click(int index) {
    const std::string chosen = ShowOpenDialog("All files|*.*", "Open HOSTS", m_session.txtHOSTS(index));
    if (chosen.empty())
        return;
    m_session.setTxtHOSTS(index, chosen);
    txtHOSTS[index]->setFocus(Qt::OtherFocusReason);
    txtHOSTS_GotFocus(index);
}

void formVelmora::mnuFileOpen_Click() {
    const std::string chosen = ShowOpenDialog("All files|*.*", "Open HOSTS", m_session.txtHOSTS(1));
    if (!chosen.empty())
        m_session.LoadHOSTS(chosen);
}

void formVelmora::txtHOSTS_KeyDown(int, int KeyCode, int) {
    if (KeyCode == 13)
        btnMerge_Click();
}

void formVelmora::txtHOSTS_GotFocus(int index) {
    txtHOSTS[index & 1]->selectAll();
}

void formVelmora::closeEvent(QCloseEvent* event) {
    if (m_session.queryClose())
        event->accept();
    else
        event->ignore();
}

bool formVelmora::isMenuShortcut(const QKeyEvent& event) const {
    const QKeySequence pressed(event.keyCombination());
    for (const QAction* action : {mnuFileOpen, mnuFileSave, mnuEditFind, mnuFindNext, mnuEditDelete}) {
        if (!action->shortcut().isEmpty() && action->shortcut() == pressed)
            return true;
    }
    return false;
}

bool formVelmora::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < 2; ++i) {
        if (watched == txtHOSTS[i]) {
            switch (event->type()) {
            case QEvent::ShortcutOverride:
                // A text box would keep Del (and any other key it edits with) for itself; the menu's
                // shortcuts win over it.
                if (isMenuShortcut(*static_cast<QKeyEvent*>(event))) {
                    event->ignore();
                    return true;
                }
                break;
            case QEvent::KeyPress: {
                const auto* key = static_cast<QKeyEvent*>(event);
                txtHOSTS_KeyDown(i, virtualKeyCode(*key), shiftState(key->modifiers()));
                break;
            }
            case QEvent::FocusIn:
                // After the box's own focus handling, which would place the cursor instead.
                QMetaObject::invokeMethod(
                    this, [this, i] { txtHOSTS_GotFocus(i); }, Qt::QueuedConnection);
                break;
            case QEvent::MouseMove:
                Form_MouseMove();
                break;
            default:
                break;
            }
            return QMainWindow::eventFilter(watched, event);
        }
        if (watched == lblHOSTS[i]) {
            if (event->type() == QEvent::MouseMove) {
                lblHOSTS_MouseMove(i);
            } else if (event->type() == QEvent::MouseButtonRelease) {
                lblHOSTS_MouseUp(i, mouseButtonCode(static_cast<QMouseEvent*>(event)->button()));
            }
            return QMainWindow::eventFilter(watched, event);
        }
    }
    if (watched == m_client && event->type() == QEvent::MouseMove) {
        // Only the bare background: controls over it keep their own mouse moves.
        if (!m_client->childAt(static_cast<QMouseEvent*>(event)->position().toPoint()))
            Form_MouseMove();
    } else if (watched == lblCredits && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && lblCredits->rect().contains(mouse->position().toPoint()))
            lblCredits_Click();
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace velmora
