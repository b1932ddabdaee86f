#pragma once

#include "core/EntryList.h"

#include <QAbstractListModel>

namespace velmora {

// Shows an entry list in a view. While the list is hidden (bulk loading) changes are only noted and
// the view is reset once when the list is shown again, so a million appended lines cost one reset.
// While it is visible, each change reaches the view as the matching row signal.
class EntryListModel : public QAbstractListModel, public EntryListObserver {
    Q_OBJECT
public:
    explicit EntryListModel(EntryList& list, QObject* parent = nullptr);
    ~EntryListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    EntryList& list() { return m_list; }

    void entriesReset() override;
    void entriesAppended(int32_t first, int32_t count) override;
    void entryInserted(int32_t index) override;
    void entryRemoved(int32_t index) override;
    void selectionChanged() override;
    void visibilityChanged(bool visible) override;
    void scrollToEntry(int32_t index) override;

signals:
    // The list's selection or current entry changed; a view copies it.
    void listSelectionChanged();
    void listVisibilityChanged(bool visible);
    void scrollRequested(int row);

private:
    void resetNow();

    EntryList& m_list;
    int m_rows = 0;
    bool m_stale = false;
};

} // namespace velmora
