#include "mainwindow/formVelmora.h"

#include "core/HostsPath.h"
#include "dialogs/DisplayText.h"
#include "dialogs/Units.h"
#include "mainwindow/EntryListView.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace velmora {

namespace {

QFont designFont(const QString& family, double points, bool bold = false, bool underline = false) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

void whiteFace(QPushButton* button) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, Qt::white);
    button->setPalette(palette);
    button->setAutoFillBackground(true);
}

template <typename T> T* place(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(twipsRect(left, top, width, height));
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, int left, int top, int width, int height) {
    auto* widget = place<QLabel>(parent, name, left, top, width, height);
    widget->setText(caption);
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                    int height) {
    auto* widget = place<QPushButton>(parent, name, left, top, width, height);
    widget->setText(caption);
    return widget;
}

} // namespace

formVelmora::formVelmora(Platform& platform, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_ui(this), m_session(platform, m_ui) {
    setObjectName(QStringLiteral("formVelmora"));
    setWindowTitle(QStringLiteral("Velmora"));
    m_session.setDialogOwner(this);
    buildControls();
    buildMenus();
    m_session.onTextsChanged = [this] { showSessionTexts(); };
}

formVelmora::~formVelmora() { m_session.onTextsChanged = nullptr; }

void formVelmora::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips(7770), twips(6465));
    setCentralWidget(client);
    const QString tahoma = QStringLiteral("Tahoma");

    Shape1 = place<QWidget>(client, "Shape1", -15, -15, 7845, 1020);
    Shape1->setAutoFillBackground(true);
    Label1 = label(client, "Label1", QStringLiteral("Velmora"), 210, 210, 4845, 540);
    Label1->setFont(designFont(tahoma, 21.75));
    Image1 = place<QLabel>(client, "Image1", 6255, 120, 720, 720);
    Image1->setScaledContents(true);

    lstHOSTS = new EntryListView(m_session.lstHOSTS, client);
    lstHOSTS->setObjectName(QStringLiteral("lstHOSTS"));
    lstHOSTS->setGeometry(twipsRect(15, 1080, 4890, 4845));
    lstHOSTS->setFont(designFont(tahoma, 8.25));
    lstHOSTS->setSelectionMode(QAbstractItemView::ExtendedSelection);
    setTextColour(lstHOSTS, QColor(0, 0, 128));

    lblHOSTS[0] = label(client, "lblHOSTS0", QStringLiteral("New HOSTS"), 5010, 1065, 2130, 225);
    txtHOSTS[0] = place<QLineEdit>(client, "txtHOSTS0", 4980, 1275, 2355, 330);
    btnBrowse[0] = button(client, "btnBrowse0", QStringLiteral("..."), 7335, 1260, 330, 330);
    lblHOSTS1 = label(client, "lblHOSTS1", QString(), 5085, 1620, 1380, 300);
    lblHOSTS[1] = label(client, "lblHOSTS1_caption", QStringLiteral("Current HOSTS"), 4995, 1890, 1380, 300);
    lblHOSTS[1]->setObjectName(QStringLiteral("lblHOSTS1caption"));
    txtHOSTS[1] = place<QLineEdit>(client, "txtHOSTS1", 4980, 2115, 2355, 330);
    btnBrowse[1] = button(client, "btnBrowse1", QStringLiteral("..."), 7335, 2115, 330, 330);
    lblHOSTS2 = label(client, "lblHOSTS2", QString(), 5085, 2460, 1380, 300);
    btnMerge = button(client, "btnMerge", QStringLiteral("&Load / Merge >>"), 4980, 2670, 2115, 570);
    btnMerge->setFont(designFont(tahoma, 8.25, true));
    btnOpen = button(client, "btnOpen", QStringLiteral("Open"), 7080, 2670, 615, 570);
    lblNew = label(client, "lblNew", QStringLiteral("Added sites:"), 5010, 3375, 1200, 240);
    lstNew = new EntryListView(m_session.lstNew, client);
    lstNew->setObjectName(QStringLiteral("lstNew"));
    lstNew->setGeometry(twipsRect(4950, 3570, 2685, 1230));
    lstNew->setSelectionMode(QAbstractItemView::SingleSelection);
    {
        QPalette palette = lstNew->palette();
        palette.setColor(QPalette::Base, QColor(251, 254, 226));
        lstNew->setPalette(palette);
    }
    btnSave = button(client, "btnSave", QStringLiteral("Save"), 5775, 4920, 1215, 615);
    btnClear = button(client, "btnClear", QStringLiteral("Clear"), 6960, 4920, 675, 615);
    Label2 = label(client, "Label2", QStringLiteral("==>"), 5040, 5115, 900, 240);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setFont(designFont(QStringLiteral("MS Sans Serif"), 9.75, true));
    lblHOSTS3 = label(client, "lblHOSTS3", QString(), 5085, 5685, 2580, 300);
    Image2 = place<QLabel>(client, "Image2", -15, 5970, 7875, 840);
    Image2->setScaledContents(true);
    btnSort = button(client, "btnSort", QStringLiteral("Sort"), 15, 6105, 645, 285);
    btnSort->setFont(designFont(tahoma, 8.25, true));
    lstSort = new EntryListView(m_session.lstSort, client);
    lstSort->setObjectName(QStringLiteral("lstSort"));
    lstSort->setGeometry(twipsRect(675, 6105, 150, 255));
    lstSort->hide();
    lstSort->setFocusPolicy(Qt::NoFocus);
    lblCredits = label(client, "lblCredits", QStringLiteral("(c) 2026 Velmora"), 5985, 6150, 1635, 255);
    lblCredits->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblCredits->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25, false, true));

    for (QLabel* blue : {lblHOSTS1, lblHOSTS2, lblHOSTS3, lblCredits})
        setTextColour(blue, QColor(0, 0, 255));
    for (QLabel* caption : {lblHOSTS[0], lblHOSTS[1]})
        caption->setFont(designFont(tahoma, 8.25));
    for (QPushButton* face : {btnMerge, btnOpen, btnSave, btnClear, btnSort}) {
        whiteFace(face);
        if (face != btnMerge && face != btnSort)
            face->setFont(designFont(tahoma, 8.25));
    }
    Image2->lower();
    Shape1->lower();

    connect(btnMerge, &QPushButton::clicked, this, &formVelmora::btnMerge_Click);
    connect(btnSave, &QPushButton::clicked, this, &formVelmora::btnSave_Click);
    connect(btnSort, &QPushButton::clicked, this, &formVelmora::btnSort_Click);
    connect(btnClear, &QPushButton::clicked, this, &formVelmora::btnClear_Click);
    for (int i = 0; i < 2; ++i) {
        connect(btnBrowse[i], &QPushButton::clicked, this, [this, i] { btnBrowse_Click(i); });
        connect(txtHOSTS[i], &QLineEdit::textChanged, this, [this, i](const QString& text) {
            if (!m_showingTexts)
                m_session.setTxtHOSTS(i, pathFromUser(text));
        });
        connect(txtHOSTS[i], &QLineEdit::returnPressed, this, &formVelmora::btnMerge_Click);
        txtHOSTS[i]->installEventFilter(this);
    }

    setFixedSize(sizeHint());
}

void formVelmora::buildMenus() {
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileOpen = mnuFile->addAction(QStringLiteral("&Open HOSTS"), this, &formVelmora::mnuFileOpen_Click);
    mnuFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileSave = mnuFile->addAction(QStringLiteral("&Save HOSTS"), this, &formVelmora::btnSave_Click);
    mnuFileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuFile->addSeparator();
    mnuFileExist = mnuFile->addAction(QStringLiteral("E&xit"), this, &QWidget::close);

    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEditFind = mnuEdit->addAction(QStringLiteral("&Find"));
    mnuEditFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuFindNext = mnuEdit->addAction(QStringLiteral("Find &Next"));
    mnuFindNext->setShortcut(QKeySequence(Qt::Key_F3));
    mnuEdit->addSeparator();
    mnuEditDelete = mnuEdit->addAction(QStringLiteral("&Delete"));
    mnuEditDelete->setShortcut(QKeySequence(Qt::Key_Delete));
    for (QAction* action : {mnuFileOpen, mnuFileSave, mnuFileExist, mnuEditFind, mnuFindNext, mnuEditDelete})
        action->setShortcutContext(Qt::WindowShortcut);
    mnuFileOpen->setObjectName(QStringLiteral("mnuFileOpen"));
    mnuFileSave->setObjectName(QStringLiteral("mnuFileSave"));
    mnuFileExist->setObjectName(QStringLiteral("mnuFileExist"));
    mnuEditFind->setObjectName(QStringLiteral("mnuEditFind"));
    mnuFindNext->setObjectName(QStringLiteral("mnuFindNext"));
    mnuEditDelete->setObjectName(QStringLiteral("mnuEditDelete"));
    setFixedSize(sizeHint());
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

void formVelmora::Form_Load(bool noLoad) { m_session.startInteractive(noLoad); }

void formVelmora::btnMerge_Click() { m_session.btnMerge_Click(); }

void formVelmora::btnSave_Click() { m_session.SaveHOSTS(std::string()); }

void formVelmora::btnSort_Click() { m_session.btnSort_Click(); }

void formVelmora::btnClear_Click() { m_session.btnClear_Click(); }

std::string formVelmora::ShowOpenDialog(const std::string& filter, const std::string& title,
                                        const std::string& initialDir) {
    FileDialogRequest request;
    request.owner = this;
    request.filter = filter;
    request.title = title;
    request.initialPath = initialDir;
    const std::string chosen = m_session.platform().chooseOpenFile(request);
    const size_t first = chosen.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : chosen.substr(first, chosen.find_last_not_of(' ') - first + 1);
}

void formVelmora::btnBrowse_Click(int index) {
    const std::string chosen = ShowOpenDialog("All files|*.*", "Open HOSTS", m_session.txtHOSTS(index));
    if (chosen.empty())
        return;
    m_session.setTxtHOSTS(index, chosen);
    txtHOSTS[index]->setFocus();
}

void formVelmora::mnuFileOpen_Click() {
    const std::string chosen = ShowOpenDialog("All files|*.*", "Open HOSTS", m_session.txtHOSTS(1));
    if (!chosen.empty())
        m_session.LoadHOSTS(chosen);
}

void formVelmora::closeEvent(QCloseEvent* event) {
    if (m_session.queryClose())
        event->accept();
    else
        event->ignore();
}

bool formVelmora::eventFilter(QObject* watched, QEvent* event) {
    // A path box selects its whole text when it gets the focus, so typing replaces the path.
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QLineEdit*>(watched))
            QMetaObject::invokeMethod(box, &QLineEdit::selectAll, Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace velmora
