#include "WindowFixture.h"

#include <QMenu>

using namespace velmora;
using namespace velmora::test;

namespace {

const Lines kTen = {"# hosts",    "127.0.0.1 localhost", "10.0.0.2 b", "10.0.0.3 c", "10.0.0.4 d",
                    "10.0.0.5 e", "10.0.0.6 f",          "10.0.0.7 g", "10.0.0.8 h", "10.0.0.9 Localhost.lan"};

class EditingTest : public WindowTest {};

// Find asks when needed, searches forward from the current line ignoring case, never wraps; Ctrl+A selects all.
TEST_F(EditingTest, KeyHandlerFindsAndSelects) {
    const struct {
        const char* name;
        int keyCode, shift, current;                 // current: -1 for none
        const char *findBefore, *answer, *findAfter; // answer: nullptr when it must not ask
        Rows selected;                               // none: the not-found notice shows
        bool listFocus;
    } cases[] = {
        {"CtrlFCancelledKeepsEverything", 70, 2, 3, "old", "", "old", {3}, false},
        {"F3BeforeAnySearchAsksFirst", 114, 0, -1, "", "0.2 b", "0.2 b", {2}, false},
        {"F3AfterASearchSearchesAtOnce", 114, 0, 2, "10.0", nullptr, "10.0", {3}, false},
        {"UpperCaseFindsLowerCase", 70, 2, -1, "", "LOCALHOST", "LOCALHOST", {1}, false},
        {"SearchStartsAfterTheCurrentLine", 70, 2, 1, "", "localhost", "localhost", {9}, false},
        {"NoHitLeavesNothingSelected", 70, 2, 4, "", "nowhere", "nowhere", {}, true},
        {"FindNextFromTheLastLineDoesNotWrap", 114, 0, 9, "10.0", nullptr, "10.0", {}, true},
        {"CtrlF3AsksLikeCtrlF", 114, 2, -1, "old", "0.4 d", "0.4 d", {4}, false},
        {"CtrlShiftFIsNotFind", 70, 3, 3, "old", nullptr, "old", {3}, true},
        {"CtrlASelectsEverything", 65, 2, 3, "old", nullptr, "old", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DialogTestHook::reset();
        fill(hosts(), kTen);
        showWith(window->txtHOSTS[0]);
        select(c.current >= 0 ? Rows{c.current} : Rows{});
        session().sFindText = c.findBefore;
        if (c.answer)
            DialogTestHook::queueInputBoxAnswer(QString::fromLatin1(c.answer));
        if (c.selected.empty())
            DialogTestHook::queueMsgBoxAnswer(1);
        window->lstHOSTS_KeyDown(c.keyCode, c.shift);
        QStringList expected, asked;
        if (c.answer)
            expected << QStringLiteral("Enter text to find:|") + QLatin1String(c.findBefore);
        if (c.selected.empty())
            expected << QStringLiteral("'%1' not found.|").arg(QLatin1String(c.findAfter));
        for (const DialogTestHook::Asked& question : DialogTestHook::asked())
            asked << question.prompt + u'|' + question.defaultText;
        EXPECT_EQ(asked, expected);
        EXPECT_EQ(session().sFindText, c.findAfter);
        EXPECT_EQ(selectedLines(), c.selected);
        EXPECT_EQ(QApplication::focusWidget() == window->lstHOSTS, c.listFocus);
        EXPECT_EQ(linesOf(hosts()), kTen);
    }
}

// Del removes lines 2, 5, 6 of ten leaving seven in order; pop-up Delete with nothing selected keeps bChanged.
TEST_F(EditingTest, DeleteRemovesTheSelectedLines) {
    fill(hosts(), kTen);
    showWith(window->lstHOSTS);
    select({2, 5, 6});
    QTest::keyClick(window->lstHOSTS, Qt::Key_Delete);
    EXPECT_EQ(linesOf(hosts()), (Lines{kTen[0], kTen[1], kTen[3], kTen[4], kTen[7], kTen[8], kTen[9]}));
    EXPECT_EQ(window->lblHOSTS3->text(), QStringLiteral("Total: 7"));
    EXPECT_TRUE(session().bChanged);
    session().bChanged = false;
    session().setLabel(HostsSession::Label::HOSTS3, "");
    QWidget* viewport = window->lstHOSTS->viewport();
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(window->mnuEdit->pos(), viewport->mapToGlobal(QPoint(20, 20)));
    window->mnuEditDelete->trigger();
    EXPECT_EQ(hosts().count(), 7);
    EXPECT_EQ(window->lblHOSTS3->text(), QStringLiteral("Total: 7"));
    EXPECT_FALSE(session().bChanged);
}

// Double click, Space, Insert, F2 ask with the current line as default and append as typed; empty adds nothing.
TEST_F(EditingTest, AddAppendsAtTheEnd) {
    fill(hosts(), kTen);
    showWith(window->lstHOSTS);
    const QPoint row3 = window->lstHOSTS->visualRect(window->lstHOSTS->model()->index(3, 0)).center();
    for (const auto& [key, answer] :
         {std::pair(Qt::Key_Space, ""), std::pair(Qt::Key_unknown, "  0.0.0.0  ads.example "),
          std::pair(Qt::Key_Space, "b"), std::pair(Qt::Key_Insert, "c"), std::pair(Qt::Key_F2, "d")}) {
        DialogTestHook::queueInputBoxAnswer(QString::fromLatin1(answer));
        SetListItemIndex(hosts(), 3);
        if (key == Qt::Key_unknown)
            QTest::mouseDClick(window->lstHOSTS->viewport(), Qt::LeftButton, {}, row3);
        else
            QTest::keyClick(window->lstHOSTS, key);
    }
    Lines expected = kTen;
    expected.insert(expected.end(), {"  0.0.0.0  ads.example ", "b", "c", "d"});
    EXPECT_EQ(linesOf(hosts()), expected);
    EXPECT_TRUE(session().bChanged && session().bReload);
    for (const DialogTestHook::Asked& question : DialogTestHook::asked())
        EXPECT_EQ(question.defaultText, QStringLiteral("10.0.0.3 c"));
}

// Clicking an added line selects the equal HOSTS line (case ignored); a mere prefix selects nothing.
TEST_F(EditingTest, ClickOnAnAddedLineSelectsTheEqualHostsLine) {
    fill(hosts(), kTen);
    fill(session().lstNew, {"10.0.0.4 D", "10.0.0.4"});
    showWith(window->lstNew);
    for (const auto& [row, selected] : {std::pair(0, Rows{4}), std::pair(1, Rows{})}) {
        select({0, 7});
        const QModelIndex index = window->lstNew->model()->index(row, 0);
        QTest::mouseClick(window->lstNew->viewport(), Qt::LeftButton, {}, window->lstNew->visualRect(index).center());
        EXPECT_EQ(selectedLines(), selected) << row;
    }
}

} // namespace
