#include "core/EntryList.h"
#include "dialogs/DisplayText.h"
#include "mainwindow/EntryListView.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace velmora;

namespace {

// A hidden bulk load is one reset; visible edits are single rows; a far current line is scrolled into view.
TEST(ListViewSync, HiddenBulkLoadIsOneReset) {
    EntryList list;
    EntryListView view(list);
    QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(view.model(), &QAbstractItemModel::rowsInserted);
    list.setVisible(false);
    for (int i = 0; i < 1000; ++i)
        list.addItemText("line " + std::to_string(i));
    EXPECT_EQ(view.model()->rowCount(), 0);
    list.setVisible(true);
    EXPECT_EQ(resets.count(), 1);
    list.addItemText("by hand");
    list.removeItem(0);
    EXPECT_EQ(inserts.count(), 1);
    EXPECT_EQ(view.model()->rowCount(), 1000);
    EXPECT_EQ(view.model()->index(0, 0).data().toString(), QStringLiteral("line 1"));
    view.show();
    list.setCurrentIndex(900);
    EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(view.model()->index(900, 0))));
}

// Selection flows list to view and view to list, and survives a batch removal on the same lines.
TEST(ListViewSync, SelectionStaysTheSameBothWays) {
    EntryList list;
    for (int i = 0; i < 10; ++i)
        list.addItemText(std::to_string(i));
    EntryListView view(list);
    list.setCurrentIndex(3);
    EXPECT_EQ(view.selectionModel()->selectedIndexes(), QModelIndexList{view.model()->index(3, 0)});
    EXPECT_EQ(view.currentIndex().row(), 3);
    view.selectionModel()->select(QItemSelection(view.model()->index(5, 0), view.model()->index(7, 0)),
                                  QItemSelectionModel::Select);
    view.selectionModel()->setCurrentIndex(view.model()->index(7, 0), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(list.selCount(), 4);
    EXPECT_EQ(list.currentIndex(), 7);
    list.unselectAll();
    list.setItemSelected(2, 1);
    list.setItemSelected(8, 1);
    list.removeWhere({1, 0, 0, 0, 0, 1, 0, 0, 0, 0});
    EXPECT_EQ(view.selectionModel()->selectedIndexes(),
              (QModelIndexList{view.model()->index(1, 0), view.model()->index(6, 0)}));
    EXPECT_EQ(view.model()->index(6, 0).data().toString(), QStringLiteral("8"));
}

// The screen text decodes UTF-8 and shows every other byte as itself, so nothing disappears.
TEST(DisplayText, NoByteIsLost) {
    EXPECT_EQ(displayText("caf\xC3\xA9"), QStringLiteral("caf\u00E9"));
    EXPECT_EQ(displayText("a\377b"), QString(QStringLiteral("a")) + QChar(0xFF) + QChar(u'b'));
    EXPECT_EQ(displayText(std::string_view("x\0y", 3)), QString(QStringLiteral("x")) + QChar(0x2400) + QChar(u'y'));
    EXPECT_EQ(displayText("\357\273\277z"), QString(QChar(0xFEFF)) + QChar(u'z'));
    EXPECT_EQ(displayText("\xED\xA0\x80"), QString(QChar(0xED)) + QChar(0xA0) + QChar(0x80)); // no surrogates
    EXPECT_EQ(displayText("\xF0\x9F\x98\x80").size(), 2); // one character outside the BMP
    EXPECT_EQ(displayText("\xC3"), QString(QChar(0xC3))); // cut short
}

} // namespace
