#include "mainwindow/BlocksDialog.h"

#include "core/TextUtil.h"
#include "dialogs/DisplayText.h"
#include "dialogs/TitleBar.h"
#include "dialogs/Units.h"
#include "document/HostsDocument.h"
#include "mainwindow/GraphicalButton.h"
#include "mainwindow/WindowLook.h"

#include <QAction>
#include <QDateTime>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeView>

namespace velmora {

namespace {

// The window's layout, in twips.
constexpr int kClientWidth = 7770;
constexpr int kClientHeight = 5010;
constexpr QRect kHeaderPlace{-15, -15, 7800, 930};
constexpr QRect kHeadingPlace{210, 105, 5400, 480};
constexpr QRect kHintPlace{225, 570, 7400, 270};
constexpr QRect kListPlace{120, 1005, 7530, 3255};
constexpr int kButtonTop = 4380;
constexpr int kButtonHeight = 510;

// "2026-12-06T05:02:03Z" as the local time it was, to the minute; a note of another form as written.
QString localTime(const std::string& updated) {
    const QDateTime when = QDateTime::fromString(QString::fromStdString(updated), Qt::ISODate);
    if (!when.isValid())
        return displayText(updated);
    return when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

GraphicalButton* button(QWidget* parent, const char* name, const QString& caption, int left, int width) {
    auto* b = new GraphicalButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setFont(tahomaFont(8.25));
    b->setFaceColour(Qt::white);
    b->setGeometry(twipsRect(left, kButtonTop, width, kButtonHeight));
    return b;
}

} // namespace

BlocksModel::BlocksModel(const HostsDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document) {
    refresh();
}

void BlocksModel::refresh() {
    beginResetModel();
    m_blocks = m_document.blocks();
    m_names.clear();
    for (const BlockInfo& block : m_blocks)
        m_names.push_back(m_document.namesIn(block));
    endResetModel();
}

const BlockInfo* BlocksModel::block(int row) const {
    return row >= 0 && row < static_cast<int>(m_blocks.size()) ? &m_blocks[static_cast<size_t>(row)] : nullptr;
}

int BlocksModel::rowOf(const std::string& name) const {
    for (size_t i = 0; i < m_blocks.size(); ++i)
        if (iequals(m_blocks[i].name, name))
            return static_cast<int>(i);
    return -1;
}

int BlocksModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_blocks.size());
}

int BlocksModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant BlocksModel::data(const QModelIndex& index, int role) const {
    const BlockInfo* b = block(index.row());
    if (!b)
        return {};
    if (role == Qt::ForegroundRole)
        return b->off ? QVariant(QColor(Qt::gray)) : QVariant(darkBlue());
    if (role == Qt::TextAlignmentRole && index.column() == Names)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case Name:
        return displayText(b->name) + (b->closed ? QString() : QStringLiteral(" (no end marker)"));
    case Names:
        return QLocale().toString(m_names[static_cast<size_t>(index.row())]);
    case Source:
        return b->source.empty() ? QStringLiteral("your own") : displayText(b->source);
    case Updated:
        return b->updated.empty() ? QStringLiteral("-") : localTime(b->updated);
    case State:
        return b->off ? QStringLiteral("Off") : QStringLiteral("On");
    default:
        return {};
    }
}

QVariant BlocksModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[] = {"Name", "Names", "Source", "Last update", "State"};
    return section >= 0 && section < Columns ? QString::fromLatin1(titles[section]) : QVariant();
}

BlocksDialog::BlocksDialog(HostsDocument& document, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_document(document),
      m_model(new BlocksModel(document, this)) {
    setObjectName(QStringLiteral("formBlocks"));
    setWindowTitle(QStringLiteral("Blocks"));
    setModal(true);
    auto* titleBar = new TitleBar(this, false);
    const QSize clientSize = twipsRect(0, 0, kClientWidth, kClientHeight, owner).size();
    setFixedSize(titleBar->windowSizeFor(clientSize));
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setGeometry(QRect(titleBar->clientOrigin(), clientSize));
    client->setFont(msSansSerifFont(8.25));

    // The main window's look: a white band with the heading, the list in dark blue, white buttons.
    auto* header = new QFrame(client);
    header->setObjectName(QStringLiteral("Shape1"));
    header->setFrameStyle(QFrame::Box | QFrame::Plain);
    header->setAutoFillBackground(true);
    QPalette band = header->palette();
    band.setColor(QPalette::Window, Qt::white);
    band.setColor(QPalette::WindowText, QColor(0x8d, 0x9b, 0xb3));
    header->setPalette(band);
    header->setGeometry(twipsRect(kHeaderPlace, owner));
    auto* heading = new QLabel(QStringLiteral("Blocks"), client);
    heading->setObjectName(QStringLiteral("Label1"));
    heading->setFont(tahomaFont(15.75));
    heading->setGeometry(twipsRect(kHeadingPlace, owner));
    auto* hint = new QLabel(QStringLiteral("A block switched off stays as comments and blocks nothing. "
                                           "Ctrl+Z takes a change back."),
                            client);
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setFont(tahomaFont(8.25));
    hint->setGeometry(twipsRect(kHintPlace, owner));

    m_list = new QTreeView(client);
    m_list->setObjectName(QStringLiteral("lstBlocks"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setFont(tahomaFont(8.25));
    m_list->setGeometry(twipsRect(kListPlace, owner));
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(BlocksModel::Source, QHeaderView::Stretch);
    m_list->setColumnWidth(BlocksModel::Name, twips(1800, owner));
    m_list->setColumnWidth(BlocksModel::Names, twips(900, owner));
    m_list->setColumnWidth(BlocksModel::Updated, twips(1500, owner));
    m_list->setColumnWidth(BlocksModel::State, twips(600, owner));
    m_list->installEventFilter(this);

    m_switch = button(client, "btnSwitch", QStringLiteral("Switch &off"), 120, 1500);
    m_update = button(client, "btnUpdate", QStringLiteral("&Update now"), 1740, 1500);
    m_remove = button(client, "btnRemove", QStringLiteral("&Remove..."), 3360, 1215);
    m_add = button(client, "btnAdd", QStringLiteral("&Add list..."), 4695, 1500);
    m_close = button(client, "btnClose", QStringLiteral("Close"), 6510, 1140);
    connect(m_switch, &QPushButton::clicked, this, &BlocksDialog::onSwitchClicked);
    connect(m_update, &QPushButton::clicked, this, &BlocksDialog::onUpdateClicked);
    connect(m_remove, &QPushButton::clicked, this, &BlocksDialog::onRemoveClicked);
    connect(m_add, &QPushButton::clicked, this, &BlocksDialog::onAddClicked);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { showButtons(); });

    auto* undo = new QAction(this);
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(undo, &QAction::triggered, this, [this] { onHistoryStep(true); });
    auto* redo = new QAction(this);
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(redo, &QAction::triggered, this, [this] { onHistoryStep(false); });
    addActions({undo, redo});

    showBlocks();
    if (owner)
        move(owner->geometry().center() - rect().center());
}

const BlockInfo* BlocksDialog::current() const {
    return m_model->block(m_list->currentIndex().row());
}

void BlocksDialog::showBlocks(const std::string& select) {
    const int previous = m_list->currentIndex().row();
    m_model->refresh();
    int row = select.empty() ? previous : m_model->rowOf(select);
    row = std::min(row, m_model->rowCount() - 1);
    if (row < 0 && m_model->rowCount() > 0)
        row = 0;
    if (row >= 0)
        m_list->setCurrentIndex(m_model->index(row, 0));
    showButtons();
}

void BlocksDialog::showButtons() {
    const BlockInfo* block = current();
    m_switch->setText(block && block->off ? QStringLiteral("Switch &on") : QStringLiteral("Switch &off"));
    m_switch->setEnabled(block && block->closed);
    m_update->setEnabled(block && !block->source.empty());
    m_remove->setEnabled(block != nullptr);
}

void BlocksDialog::onSwitchClicked() {
    const BlockInfo* block = current();
    if (!block)
        return;
    const std::string name = block->name;
    const BlockSwitchResult result = m_document.switchBlock(name, block->off);
    if (result.status == BlockSwitchStatus::NoEnd)
        m_document.ui().reportError("Block " + name + " has no \"" + std::string(kBlockEnd) + name +
                                    "\" line, so where it ends is unknown; it was left as it was.");
    showBlocks(name);
}

void BlocksDialog::onUpdateClicked() {
    const BlockInfo* block = current();
    if (!block)
        return;
    const std::string name = block->name;
    const std::string source = block->source;
    const BlocksUpdate update = m_document.updateBlockNow(name);
    if (!update.failed && !update.rebuild.changed && update.read.size() == 1)
        m_document.ui().notify("Block " + name + " is up to date with " + source + ".");
    showBlocks(name);
}

void BlocksDialog::onRemoveClicked() {
    if (const BlockInfo* block = current()) {
        m_document.removeBlockAsking(block->name);
        showBlocks();
    }
}

void BlocksDialog::onAddClicked() {
    const std::string added = m_document.addListAsking();
    showBlocks(added);
}

void BlocksDialog::onHistoryStep(bool back) {
    const std::string name = current() ? current()->name : std::string();
    back ? m_document.undo() : m_document.redo();
    showBlocks(name);
}

bool BlocksDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Space) {
            onSwitchClicked();
            return true;
        }
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Delete) {
            onRemoveClicked();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace velmora
