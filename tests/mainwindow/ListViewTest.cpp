#include "core/EntryList.h"
#include "dialogs/DisplayText.h"
#include "mainwindow/EntryListView.h"
#include "mainwindow/ListKeys.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace velmora;

// A bulk load hides the view and reaches it as one reset; appends arrive as rows; a current line the
// program picks far down is scrolled into view.
TEST(ListView, BulkLoadIsOneResetWhileHidden) {
    EntryList list;
    Selection selection;
    EntryListView view(list, selection);
    view.show();
    QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(view.model(), &QAbstractItemModel::rowsInserted);
    list.beginBulkChange();
    EXPECT_FALSE(view.isVisible());
    for (int i = 0; i < 1000; ++i)
        list.append("line " + std::to_string(i));
    EXPECT_EQ(view.model()->rowCount(), 0);
    list.endBulkChange();
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(resets.count(), 1);
    list.append("by hand");
    EXPECT_EQ(inserts.count(), 1);
    EXPECT_EQ(view.model()->rowCount(), 1001);
    selection.selectOnly(900);
    EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(view.model()->index(900, 0))));
}

// Selection flows from the program to the view and from the view to the program, and survives a
// batch removal on the same lines.
TEST(ListView, SelectionStaysTheSameBothWays) {
    EntryList list;
    for (int i = 0; i < 10; ++i)
        list.append(std::to_string(i));
    Selection selection;
    EntryListView view(list, selection);
    selection.selectOnly(3);
    EXPECT_EQ(view.selectionModel()->selectedIndexes(), QModelIndexList{view.model()->index(3, 0)});
    EXPECT_EQ(view.currentIndex().row(), 3);
    view.selectionModel()->select(QItemSelection(view.model()->index(5, 0), view.model()->index(7, 0)),
                                  QItemSelectionModel::Select);
    view.selectionModel()->setCurrentIndex(view.model()->index(7, 0), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(selection.selectedCount(), 4);
    EXPECT_EQ(selection.current(), 7);
    selection.clear();
    view.selectionModel()->select(view.model()->index(2, 0), QItemSelectionModel::Select);
    view.selectionModel()->select(view.model()->index(8, 0), QItemSelectionModel::Select);
    const std::vector<uint8_t> removed{1, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    list.removeWhere(removed);
    selection.linesRemoved(removed, list.count());
    EXPECT_EQ(view.selectionModel()->selectedIndexes(),
              (QModelIndexList{view.model()->index(1, 0), view.model()->index(6, 0)}));
    EXPECT_EQ(view.model()->index(6, 0).data().toString(), QStringLiteral("8"));
}

// The keys of the HOSTS lines: only Ctrl alone makes A select all and F (or F3) ask.
TEST(ListView, KeyActions) {
    using enum ListKeyAction;
    const std::tuple<int, Qt::KeyboardModifiers, ListKeyAction> cases[] = {
        {Qt::Key_A, Qt::ControlModifier, SelectAll},
        {Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, FocusOnly},
        {Qt::Key_A, Qt::ControlModifier | Qt::KeypadModifier, SelectAll},
        {Qt::Key_Delete, Qt::ShiftModifier, DeleteLines},
        {Qt::Key_Space, Qt::NoModifier, AddLine},
        {Qt::Key_Insert, Qt::NoModifier, AddLine},
        {Qt::Key_F2, Qt::AltModifier, AddLine},
        {Qt::Key_F3, Qt::NoModifier, FindNext},
        {Qt::Key_F3, Qt::ControlModifier, FindAsking},
        {Qt::Key_F3, Qt::ControlModifier | Qt::ShiftModifier, FindNext},
        {Qt::Key_F, Qt::ControlModifier, FindAsking},
        {Qt::Key_F, Qt::NoModifier, FocusOnly},
        {Qt::Key_F4, Qt::NoModifier, FocusOnly},
    };
    for (const auto& [key, modifiers, action] : cases)
        EXPECT_EQ(listKeyAction(key, modifiers), action) << key << " " << modifiers.toInt();
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
