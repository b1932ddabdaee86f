#include "mainwindow/EntryListModel.h"

#include "dialogs/DisplayText.h"

namespace velmora {

EntryListModel::EntryListModel(const LineSource& list, QObject* parent)
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
    if (role == Qt::DisplayRole)
        return displayText(m_list.text(index.row()));
    return {};
}

void EntryListModel::entriesReset() {
    beginResetModel();
    m_rows = m_list.count();
    endResetModel();
    emit wasReset();
}

void EntryListModel::entriesAppended(int32_t first, int32_t count) {
    if (first != m_rows) {
        entriesReset();
        return;
    }
    beginInsertRows(QModelIndex(), first, first + count - 1);
    m_rows += count;
    endInsertRows();
}

void EntryListModel::bulkChange(bool running) {
    emit bulkChangeRunning(running);
}

} // namespace velmora
