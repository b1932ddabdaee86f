#include "mainwindow/EntryListView.h"

#include "dialogs/DisplayText.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>
#include <functional>
#include <vector>

namespace velmora {

namespace {
constexpr int kLayoutBatch = 1 << 17;
// The lines measured on screen for the widest: the longest in bytes (measuring a million would take
// seconds; among lines of one font the longest are the widest but for a few pixels).
constexpr size_t kMeasuredLines = 32;
// A tooltip shows this much of a line at most, and leaves this share of the screen's width free.
constexpr qsizetype kLongestTip = 4000;
constexpr int kTipMarginPercent = 10;

// The line as a tooltip that stays inside a screen `width` pixels wide: broken into rows that each fit,
// wherever they reach the edge (a host name has no spaces to break at), as rich text so that no "<" in
// the line is taken for markup.
QString tipText(QString line, const QFontMetrics& metrics, int width) {
    if (line.size() > kLongestTip)
        line = line.left(kLongestTip) + QChar(0x2026);
    QString rows;
    QString row;
    for (const QChar c : line) {
        if (!row.isEmpty() && metrics.horizontalAdvance(row + c) > width) {
            rows += row.toHtmlEscaped() + QStringLiteral("<br>");
            row.clear();
        }
        row += c;
    }
    rows += row.toHtmlEscaped();
    return QStringLiteral("<p style='white-space:pre'>") + rows + QStringLiteral("</p>");
}
} // namespace

// Rows as wide as the widest line: with uniform item sizes the view asks one row for the size of all.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    int widestText = 0;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const int padding = size.width() - option.fontMetrics.horizontalAdvance(index.data().toString());
        size.setWidth(std::max(size.width(), widestText + padding));
        return size;
    }
};

EntryListView::EntryListView(const LineSource& list, Selection& selection, QWidget* parent)
    : QListView(parent), m_model(new EntryListModel(list, this)), m_delegate(new RowDelegate(this)),
      m_selection(selection) {
    setModel(m_model);
    setItemDelegate(m_delegate);
    // A million rows paint at once only when the view need not measure each of them. The rows below
    // the first screenfuls are laid out after the list is shown, in a few large batches, so that a
    // million-line file shows as soon as it is read.
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(kLayoutBatch);
    // Long lines are cut at the right edge, not shortened with an ellipsis; the list scrolls sideways
    // to them, and a cut-off row shows its line as a tooltip.
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(m_model, &EntryListModel::wasReset, this, [this] {
        measureWidestLine();
        copyFromSelection(false);
    });
    measureWidestLine(); // the lines there already (a window opened on a loaded document)
    connect(m_model, &EntryListModel::bulkChangeRunning, this, [this](bool running) { setVisible(!running); });
    m_selection.setListener([this](bool reveal) { copyFromSelection(reveal); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &EntryListView::copyToSelection);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (!m_syncing)
            m_selection.setCurrentFromView(current.isValid() ? current.row() : -1);
    });
}

EntryListView::~EntryListView() {
    m_selection.setListener(nullptr);
}

void EntryListView::measureWidestLine() {
    const LineSource& lines = m_model->lines();
    const int32_t n = lines.count();
    std::vector<std::pair<size_t, int32_t>> longest; // (bytes, row), the kMeasuredLines longest
    longest.reserve(kMeasuredLines + 1);
    for (int32_t row = 0; row < n; ++row) {
        const size_t bytes = lines.text(row).size();
        if (longest.size() == kMeasuredLines && bytes <= longest.front().first)
            continue;
        longest.emplace_back(bytes, row);
        std::push_heap(longest.begin(), longest.end(), std::greater<>());
        if (longest.size() > kMeasuredLines) {
            std::pop_heap(longest.begin(), longest.end(), std::greater<>());
            longest.pop_back();
        }
    }
    int widest = 0;
    for (const auto& [bytes, row] : longest)
        widest = std::max(widest, fontMetrics().horizontalAdvance(displayText(lines.text(row))));
    m_delegate->widestText = widest;
}

bool EntryListView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QListView::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString text = index.isValid() ? index.data().toString() : QString();
    const QRect row = visualRect(index);
    const int textEnd = row.left() + fontMetrics().horizontalAdvance(text);
    if (text.isEmpty() || (row.left() >= 0 && textEnd <= viewport()->width())) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    const QScreen* screen = QGuiApplication::screenAt(help->globalPos());
    if (!screen)
        screen = this->screen();
    const int width = screen->availableGeometry().width() * (100 - kTipMarginPercent) / 100;
    QToolTip::showText(help->globalPos(), tipText(text, QFontMetrics(QToolTip::font()), width), viewport(), row);
    return true;
}

void EntryListView::keyPressEvent(QKeyEvent* event) {
    emit keyPressed(event);
    const QModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex() != before)
        emit currentPicked();
}

void EntryListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && !m_rightButtonSelects) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void EntryListView::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event);
    QListView::mouseReleaseEvent(event);
    const QModelIndex under = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && under.isValid() && under == currentIndex())
        emit currentPicked();
}

void EntryListView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && !m_rightButtonSelects) {
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QListView::mouseDoubleClickEvent(event);
}

void EntryListView::copyFromSelection(bool reveal) {
    if (m_syncing)
        return;
    m_syncing = true;
    const std::vector<uint8_t>& flags = m_selection.flags();
    QItemSelection selection;
    const int n = std::min<int>(m_model->rowCount(), static_cast<int>(flags.size()));
    for (int i = 0; i < n;) {
        if (!flags[static_cast<size_t>(i)]) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < n && flags[static_cast<size_t>(j) + 1])
            ++j;
        selection.select(m_model->index(i), m_model->index(j));
        i = j + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const int current = m_selection.current();
    const QModelIndex index = current >= 0 && current < m_model->rowCount() ? m_model->index(current) : QModelIndex();
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    if (reveal && index.isValid()) {
        // A row the batches have not reached yet has no place to scroll to: the rest is laid out now.
        if (visualRect(index).isEmpty()) {
            setLayoutMode(QListView::SinglePass);
            doItemsLayout();
            setLayoutMode(QListView::Batched);
        }
        scrollTo(index, QAbstractItemView::EnsureVisible);
    }
    m_syncing = false;
}

void EntryListView::copyToSelection(const QItemSelection& selected, const QItemSelection& deselected) {
    if (m_syncing)
        return;
    for (const QItemSelectionRange& range : deselected)
        m_selection.setRangeFromView(range.top(), range.bottom(), false);
    for (const QItemSelectionRange& range : selected)
        m_selection.setRangeFromView(range.top(), range.bottom(), true);
}

} // namespace velmora
