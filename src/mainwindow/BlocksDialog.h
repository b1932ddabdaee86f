#pragma once

#include "merge/Blocks.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <vector>

class QLabel;
class QTreeView;

namespace velmora {

class GraphicalButton;
class HostsDocument;

// The blocks of the document as rows: name, names, source, last update, state.
class BlocksModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Names, Source, Updated, State, Columns };

    explicit BlocksModel(const HostsDocument& document, QObject* parent = nullptr);
    // Reads the blocks of the document again.
    void refresh();
    const BlockInfo* block(int row) const;
    // The row of the first block of the name (letter case ignored), or -1.
    int rowOf(const std::string& name) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const HostsDocument& m_document;
    std::vector<BlockInfo> m_blocks;
    std::vector<int32_t> m_names;
};

// Edit > Blocks...: the blocks of the list with their name, number of names, source, last update and
// state ("lstBlocks"), and what can be done with one: switch it off or on ("btnSwitch", Space), update it
// now from its list ("btnUpdate"), remove it ("btnRemove", Del), add a list from an address as a new
// block ("btnAdd"). Each is one change of the document's lines, unsaved until saved; Ctrl+Z and Ctrl+Y
// take changes back and make them again here as in the main window. The dialog only forwards to the
// document and shows its blocks; it has its own title bar (see TitleBar).
class BlocksDialog : public QDialog {
    Q_OBJECT
public:
    BlocksDialog(HostsDocument& document, QWidget* owner);

    BlocksModel& model() { return *m_model; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onSwitchClicked();
    void onUpdateClicked();
    void onRemoveClicked();
    void onAddClicked();
    void onHistoryStep(bool back);
    // Shows the blocks again, the one of that name selected (else the row that was).
    void showBlocks(const std::string& select = {});
    void showButtons();
    const BlockInfo* current() const;

    HostsDocument& m_document;
    BlocksModel* m_model;
    QTreeView* m_list;
    GraphicalButton* m_switch;
    GraphicalButton* m_update;
    GraphicalButton* m_remove;
    GraphicalButton* m_add;
    GraphicalButton* m_close;
};

} // namespace velmora
