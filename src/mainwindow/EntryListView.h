#pragma once

#include "mainwindow/EntryListModel.h"

#include <QListView>

namespace velmora {

// A list view over an entry list whose selection and current entry stay the same as the list's:
// what the user selects is written to the list, what the program selects is shown by the view.
class EntryListView : public QListView {
    Q_OBJECT
public:
    EntryListView(EntryList& list, QWidget* parent = nullptr);

    EntryListModel* entryModel() const { return m_model; }

private:
    void copyFromList();
    void copyToList(const QItemSelection& selected, const QItemSelection& deselected);

    EntryListModel* m_model;
    bool m_syncing = false;
};

} // namespace velmora
