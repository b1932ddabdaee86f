#include "core/EntryList.h"
#include "dialogs/DisplayText.h"
#include "mainwindow/EntryListView.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace velmora;

namespace {
std::vector<int> selectedRows(EntryListView& view) {
    std::vector<int> rows;
    for (const QModelIndex& index : view.selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}
} // namespace

// Lines appended while the list is hidden reach the view as one reset when it is shown again.
TEST(ListViewSync, HiddenBulkLoadIsOneReset) {
    EntryList list;
    EntryListView view(list);
    QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(view.model(), &QAbstractItemModel::rowsInserted);
    list.setVisible(false);
    list.clear();
    for (int i = 0; i < 1000; ++i)
        list.addItemText("line " + std::to_string(i));
    EXPECT_EQ(view.model()->rowCount(), 0);
    list.setVisible(true);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_EQ(view.model()->rowCount(), 1000);

    // While visible, a line added by hand is one inserted row.
    list.addItemText("by hand");
    EXPECT_EQ(inserts.count(), 1);
    EXPECT_EQ(view.model()->rowCount(), 1001);
    list.removeItem(0);
    EXPECT_EQ(view.model()->rowCount(), 1000);
    EXPECT_EQ(view.model()->index(0, 0).data().toString(), QStringLiteral("line 1"));
}

// What the program selects shows in the view, and what the user selects in the view reaches the list.
TEST(ListViewSync, SelectionStaysTheSameBothWays) {
    EntryList list;
    for (int i = 0; i < 10; ++i)
        list.addItemText(std::to_string(i));
    EntryListView view(list);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);

    list.setCurrentIndex(3);
    EXPECT_EQ(selectedRows(view), std::vector<int>{3});
    EXPECT_EQ(view.currentIndex().row(), 3);

    QItemSelection range(view.model()->index(5, 0), view.model()->index(7, 0));
    view.selectionModel()->select(range, QItemSelectionModel::Select);
    view.selectionModel()->setCurrentIndex(view.model()->index(7, 0), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(list.selCount(), 4);
    EXPECT_EQ(list.itemSelected(6), 1);
    EXPECT_EQ(list.currentIndex(), 7);

    view.selectAll();
    EXPECT_EQ(list.selCount(), 10);
    list.unselectAll();
    EXPECT_TRUE(selectedRows(view).empty());

    // A batch removal keeps the remaining selection on the same lines.
    list.setItemSelected(2, 1);
    list.setItemSelected(8, 1);
    std::vector<uint8_t> remove(10, 0);
    remove[0] = remove[5] = 1;
    list.removeWhere(remove);
    EXPECT_EQ(selectedRows(view), (std::vector<int>{1, 6}));
    EXPECT_EQ(view.model()->index(6, 0).data().toString(), QStringLiteral("8"));
}

// Display decodes UTF-8 and shows every other byte as itself, so nothing disappears on screen.
TEST(DisplayText, NoByteIsLost) {
    EXPECT_EQ(displayText("caf\xC3\xA9"), QStringLiteral("caf\u00E9"));
    EXPECT_EQ(displayText("a\xFF" "b"), QString(QStringLiteral("a")) + QChar(0xFF) + QStringLiteral("b"));
    EXPECT_EQ(displayText(std::string_view("x\0y", 3)), QString(QStringLiteral("x")) + QChar(0x2400) + QChar(u'y'));
    EXPECT_EQ(displayText("\xEF\xBB\xBF" "z"), QString(QChar(0xFEFF)) + QChar(u'z'));
    EXPECT_EQ(displayText("\xED\xA0\x80"), QString(QChar(0xED)) + QChar(0xA0) + QChar(0x80)); // a surrogate is not valid
    EXPECT_EQ(displayText("\xF0\x9F\x98\x80").size(), 2); // one character outside the BMP
    EXPECT_EQ(displayText("\xC3"), QString(QChar(0xC3)));   // cut short
}
