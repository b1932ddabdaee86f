#include "mainwindow/EntryListModel.h"

#include "dialogs/DisplayText.h"

namespace velmora {

EntryListModel::EntryListModel(EntryList& list, QObject* parent)
    : QAbstractListModel(parent), m_list(list), m_rows(list.count()) {
    m_list.setObserver(this);
}

EntryListModel::~EntryListModel() {
    m_list.setObserver(nullptr);
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_list.count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return displayText(m_list.view(index.row()));
    return {};
}

void EntryListModel::resetNow() {
    beginResetModel();
    m_rows = m_list.count();
    m_stale = false;
    endResetModel();
    emit listSelectionChanged();
}

void EntryListModel::entriesReset() {
    if (!m_list.isVisible()) {
        m_stale = true;
        return;
    }
    resetNow();
}

void EntryListModel::entriesAppended(int32_t first, int32_t count) {
    if (!m_list.isVisible() || m_stale || first != m_rows) {
        m_stale = true;
        if (m_list.isVisible())
            resetNow();
        return;
    }
    beginInsertRows(QModelIndex(), first, first + count - 1);
    m_rows += count;
    endInsertRows();
}

void EntryListModel::entryInserted(int32_t index) {
    if (!m_list.isVisible() || m_stale) {
        m_stale = true;
        return;
    }
    beginInsertRows(QModelIndex(), index, index);
    ++m_rows;
    endInsertRows();
}

void EntryListModel::entryRemoved(int32_t index) {
    if (!m_list.isVisible() || m_stale) {
        m_stale = true;
        return;
    }
    beginRemoveRows(QModelIndex(), index, index);
    --m_rows;
    endRemoveRows();
}

void EntryListModel::selectionChanged() {
    if (m_list.isVisible() && !m_stale)
        emit listSelectionChanged();
}

void EntryListModel::visibilityChanged(bool visible) {
    if (visible && (m_stale || m_rows != m_list.count()))
        resetNow();
    emit listVisibilityChanged(visible);
}

void EntryListModel::scrollToEntry(int32_t index) {
    if (m_list.isVisible())
        emit scrollRequested(index);
}

} // namespace velmora
