#include "mainwindow/EntryListView.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace velmora {

namespace {
constexpr int kLayoutBatch = 1 << 17;
} // namespace

EntryListView::EntryListView(const LineSource& list, Selection& selection, QWidget* parent)
    : QListView(parent), m_model(new EntryListModel(list, this)), m_selection(selection) {
    setModel(m_model);
    // A million rows paint at once only when the view need not measure each of them. The rows below
    // the first screenfuls are laid out after the list is shown, in a few large batches, so that a
    // million-line file shows as soon as it is read.
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(kLayoutBatch);
    // Long lines are cut at the right edge, not shortened with an ellipsis or scrolled.
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_model, &EntryListModel::wasReset, this, [this] { copyFromSelection(false); });
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
        while (j + 1 < n && flags[static_cast<size_t>(j + 1)])
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
