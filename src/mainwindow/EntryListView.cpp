#include "mainwindow/EntryListView.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace velmora {

EntryListView::EntryListView(EntryList& list, QWidget* parent) : QListView(parent) {
    m_model = new EntryListModel(list, this);
    setModel(m_model);
    setUniformItemSizes(true);
    setLayoutMode(QListView::SinglePass);
    // A list box: long lines are cut at the right edge, not shortened with an ellipsis or scrolled.
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_model, &EntryListModel::listSelectionChanged, this, &EntryListView::copyFromList);
    m_visibility = connect(m_model, &EntryListModel::listVisibilityChanged, this, &QWidget::setVisible);
    connect(m_model, &EntryListModel::scrollRequested, this,
            [this](int row) { scrollTo(m_model->index(row), QAbstractItemView::EnsureVisible); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &EntryListView::copyToList);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (!m_syncing)
            m_model->list().applyViewCurrent(current.isValid() ? current.row() : -1);
    });
}

void EntryListView::setFollowsListVisibility(bool follows) {
    disconnect(m_visibility);
    if (follows)
        m_visibility = connect(m_model, &EntryListModel::listVisibilityChanged, this, &QWidget::setVisible);
}

void EntryListView::keyPressEvent(QKeyEvent* event) {
    emit keyDown(event);
    const QModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex() != before)
        emit click();
}

void EntryListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && !m_rightButtonSelects) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void EntryListView::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseUp(event);
    QListView::mouseReleaseEvent(event);
    const QModelIndex under = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && under.isValid() && under == currentIndex())
        emit click();
}

void EntryListView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && !m_rightButtonSelects) {
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton)
        emit dblClick();
    QListView::mouseDoubleClickEvent(event);
}

void EntryListView::copyFromList() {
    if (m_syncing)
        return;
    m_syncing = true;
    const EntryList& list = m_model->list();
    const auto& flags = list.selectionFlags();
    QItemSelection selection;
    const int n = std::min<int>(m_model->rowCount(), list.count());
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
    const int current = list.currentIndex();
    selectionModel()->setCurrentIndex(current >= 0 && current < n ? m_model->index(current) : QModelIndex(),
                                      QItemSelectionModel::NoUpdate);
    m_syncing = false;
}

void EntryListView::copyToList(const QItemSelection& selected, const QItemSelection& deselected) {
    if (m_syncing)
        return;
    EntryList& list = m_model->list();
    for (const QItemSelectionRange& range : deselected)
        list.applyViewSelection(range.top(), range.bottom(), false);
    for (const QItemSelectionRange& range : selected)
        list.applyViewSelection(range.top(), range.bottom(), true);
}

} // namespace velmora
