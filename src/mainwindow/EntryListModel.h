#pragma once

#include "core/EntryList.h"

#include <QAbstractListModel>

namespace velmora {

// Shows an entry list in a view: appends arrive as inserted rows, everything else as one reset, and a
// bulk change (a million lines loaded) as nothing until it ends.
class EntryListModel : public QAbstractListModel, public EntryListObserver {
    Q_OBJECT
public:
    explicit EntryListModel(const LineSource& list, QObject* parent = nullptr);
    ~EntryListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // The view asks for every row's index as it lays a million rows out; answered without the
    // generic checks' calls back into the model.
    QModelIndex index(int row, int column = 0, const QModelIndex& parent = QModelIndex()) const override {
        return row >= 0 && row < m_rows && column == 0 && !parent.isValid() ? createIndex(row, 0) : QModelIndex();
    }
    QVariant data(const QModelIndex& index, int role) const override;

    void entriesReset() override;
    void entriesAppended(int32_t first, int32_t count) override;
    void bulkChange(bool running) override;

    const LineSource& lines() const { return m_list; }

signals:
    // A reset threw away the view's selection; it copies it again.
    void wasReset();
    // A bulk change began (true) or ended (false).
    void bulkChangeRunning(bool running);

private:
    const LineSource& m_list;
    int m_rows = 0;
};

} // namespace velmora
