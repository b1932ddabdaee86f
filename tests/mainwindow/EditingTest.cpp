#include "WindowFixture.h"

#include "mainwindow/KeyCodes.h"

#include <QKeyEvent>
#include <QMenu>

using namespace velmora;
using namespace velmora::test;

namespace {

const Lines kTen = {"# hosts",        "127.0.0.1 localhost",   "10.0.0.2 b.lan", "10.0.0.3 c.lan",
                    "10.0.0.4 d.lan", "10.0.0.5 e.lan",        "10.0.0.6 f.lan", "10.0.0.7 g.lan",
                    "10.0.0.8 h.lan", "10.0.0.9 Localhost.lan"};

// ---- Key codes -----------------------------------------------------------------------------------

struct KeyCase {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int16_t code;
    int16_t shift;
};

// The codes the handlers compare: letters as capitals, Ctrl as 2, Shift and Alt as 1 and 4.
TEST(KeyCodes, MatchTheHandlersCodes) {
    const KeyCase cases[] = {
        {Qt::Key_A, Qt::ControlModifier, 65, 2},    {Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier, 70, 3},
        {Qt::Key_Delete, Qt::NoModifier, 46, 0},    {Qt::Key_Space, Qt::AltModifier, 32, 4},
        {Qt::Key_Insert, Qt::NoModifier, 45, 0},    {Qt::Key_F2, Qt::NoModifier, 113, 0},
        {Qt::Key_F3, Qt::ControlModifier, 114, 2},  {Qt::Key_Return, Qt::NoModifier, 13, 0},
        {Qt::Key_Enter, Qt::KeypadModifier, 13, 0}, {Qt::Key_5, Qt::KeypadModifier, 101, 0},
        {Qt::Key_5, Qt::NoModifier, 53, 0},         {Qt::Key_Down, Qt::ShiftModifier, 40, 1},
        {Qt::Key_Eacute, Qt::NoModifier, 0, 0},
    };
    for (const KeyCase& c : cases) {
        const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
        EXPECT_EQ(virtualKeyCode(event), c.code) << c.key;
        EXPECT_EQ(shiftState(c.modifiers), c.shift) << c.key;
    }
}

// ---- Find and Find Next --------------------------------------------------------------------------

struct FindCase {
    const char* name;
    int keyCode;
    int shift;
    int32_t current;        // selected, current line before; -1 for none
    std::string findBefore; // sFindText before
    std::vector<QString> answers;
    bool asks;
    std::string findAfter;
    std::vector<int32_t> selected;
    QString notFound; // the notice's prompt, empty when there is none
    bool focusToList;
};

const FindCase kFindCases[] = {
    {"CtrlFCancelledKeepsEverything", 70, 2, 3, "old", {""}, true, "old", {3}, "", false},
    {"F3BeforeAnySearchAsksFirst", 114, 0, -1, "", {"b.lan"}, true, "b.lan", {2}, "", false},
    {"F3AfterASearchSearchesAtOnce", 114, 0, 2, "lan", {}, false, "lan", {3}, "", false},
    {"UpperCaseFindsLowerCase", 70, 2, -1, "", {"LOCALHOST"}, true, "LOCALHOST", {1}, "", false},
    {"SearchStartsAfterTheCurrentLine", 70, 2, 1, "", {"localhost"}, true, "localhost", {9}, "", false},
    {"NoHitLeavesNothingSelected", 70, 2, 4, "", {"nowhere"}, true, "nowhere", {}, "'nowhere' not found.", true},
    {"FindNextFromTheLastLineDoesNotWrap", 114, 0, 9, "10.0", {}, false, "10.0", {}, "'10.0' not found.", true},
    {"CtrlF3AsksLikeCtrlF", 114, 2, -1, "old", {"d.lan"}, true, "d.lan", {4}, "", false},
    {"CtrlShiftFIsNotFind", 70, 3, 3, "old", {}, false, "old", {3}, "", true},
};

class FindTest : public WindowTest, public ::testing::WithParamInterface<FindCase> {};

// The search from the line after the current one, without regard to case and without wrapping: a hit
// becomes the only selected and current line; otherwise the notice, and the focus goes to the list.
TEST_P(FindTest, SearchesForward) {
    const FindCase& c = GetParam();
    fill(session().lstHOSTS, kTen);
    showWith(window->txtHOSTS[0]);
    if (c.current >= 0)
        SetListItemIndex(session().lstHOSTS, c.current);
    session().sFindText = c.findBefore;
    for (const QString& answer : c.answers)
        DialogTestHook::queueInputBoxAnswer(answer);
    if (!c.notFound.isEmpty())
        DialogTestHook::queueMsgBoxAnswer(1);

    window->lstHOSTS_KeyDown(c.keyCode, c.shift);

    const auto& asked = DialogTestHook::asked();
    size_t next = 0;
    if (c.asks) {
        ASSERT_GT(asked.size(), next);
        EXPECT_EQ(asked[next].dialog, DialogTestHook::Dialog::InputBox);
        EXPECT_EQ(asked[next].prompt, QStringLiteral("Enter text to find:"));
        EXPECT_EQ(asked[next].title, QStringLiteral("Find"));
        EXPECT_EQ(asked[next].defaultText, QString::fromStdString(c.findBefore));
        EXPECT_EQ(asked[next].icon, 5);
        ++next;
    }
    if (!c.notFound.isEmpty()) {
        ASSERT_GT(asked.size(), next);
        EXPECT_EQ(asked[next].prompt, c.notFound);
        EXPECT_EQ(asked[next].buttons, 64);
        ++next;
    }
    EXPECT_EQ(asked.size(), next);
    EXPECT_EQ(session().sFindText, c.findAfter);
    EXPECT_EQ(selectedLines(), c.selected);
    if (c.selected.size() == 1 && c.notFound.isEmpty()) {
        EXPECT_EQ(ListItemIndex(session().lstHOSTS), c.selected[0]);
    }
    EXPECT_EQ(QApplication::focusWidget(),
              c.focusToList ? static_cast<QWidget*>(window->lstHOSTS) : static_cast<QWidget*>(window->txtHOSTS[0]));
    EXPECT_EQ(linesOf(session().lstHOSTS), kTen);
    EXPECT_FALSE(session().bChanged);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindTest, ::testing::ValuesIn(kFindCases),
                         [](const auto& p) { return std::string(p.param.name); });

class EditingTest : public WindowTest {};

// A hit far down a long list is scrolled into view, and the view shows it as the current row.
TEST_F(EditingTest, FindScrollsTheHitIntoView) {
    Lines lines(500, "10.0.0.1 filler");
    lines[420] = "10.0.0.1 needle";
    fill(session().lstHOSTS, lines);
    showWith(window->lstHOSTS);
    DialogTestHook::queueInputBoxAnswer(QStringLiteral("NEEDLE"));
    QTest::keyClick(window->lstHOSTS, Qt::Key_F, Qt::ControlModifier);
    const QModelIndex hit = window->lstHOSTS->model()->index(420, 0);
    EXPECT_EQ(window->lstHOSTS->currentIndex(), hit);
    EXPECT_TRUE(window->lstHOSTS->viewport()->rect().contains(window->lstHOSTS->visualRect(hit)));
    EXPECT_EQ(window->lstHOSTS->selectionModel()->selectedIndexes(), QModelIndexList{hit});
}

// ---- Delete --------------------------------------------------------------------------------------

struct DeleteCase {
    const char* name;
    std::vector<int32_t> selected;
    Lines after;
    bool changed;
};

const DeleteCase kDeleteCases[] = {
    {"ThreeOfTen",
     {2, 5, 6},
     {"# hosts", "127.0.0.1 localhost", "10.0.0.3 c.lan", "10.0.0.4 d.lan", "10.0.0.7 g.lan", "10.0.0.8 h.lan",
      "10.0.0.9 Localhost.lan"},
     true},
    {"NothingSelected", {}, kTen, false},
    {"Everything", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, true},
};

enum class Trigger { DelKey, EditMenu, PopupMenu };
const char* const kTriggerNames[] = {"Del", "EditMenu", "Popup"};

class DeleteTest : public WindowTest, public ::testing::WithParamInterface<std::tuple<DeleteCase, Trigger>> {};

// The selected lines go, the rest keep their order; the total is rewritten even when nothing was
// selected, but the flags are set only when something was removed. Del, Edit > Delete and the pop-up
// menu's Delete do the same.
TEST_P(DeleteTest, RemovesTheSelectedLines) {
    const auto& [c, trigger] = GetParam();
    fill(session().lstHOSTS, kTen);
    session().setLabel(HostsSession::Label::HOSTS3, "Total: ?");
    showWith(window->txtHOSTS[1]);
    select(c.selected);
    switch (trigger) {
    case Trigger::DelKey:
        window->lstHOSTS->setFocus();
        QTest::keyClick(window->lstHOSTS, Qt::Key_Delete);
        break;
    case Trigger::EditMenu:
        window->mnuEditDelete->trigger();
        break;
    case Trigger::PopupMenu: {
        QWidget* viewport = window->lstHOSTS->viewport();
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(20, 20));
        ASSERT_TRUE(window->mnuEdit->isVisible());
        window->mnuEditDelete->trigger();
        window->mnuEdit->hide();
        break;
    }
    }
    EXPECT_EQ(linesOf(session().lstHOSTS), c.after);
    EXPECT_EQ(window->lblHOSTS3->text(), QStringLiteral("Total: %1").arg(c.after.size()));
    EXPECT_EQ(session().bChanged, c.changed);
    EXPECT_EQ(session().bReload, c.changed);
    EXPECT_EQ(selectedLines(), std::vector<int32_t>{});
    EXPECT_EQ(window->lstHOSTS->model()->rowCount(), static_cast<int>(c.after.size()));
    EXPECT_EQ(QApplication::focusWidget(), window->lstHOSTS);
}

INSTANTIATE_TEST_SUITE_P(Cases, DeleteTest,
                         ::testing::Combine(::testing::ValuesIn(kDeleteCases),
                                            ::testing::Values(Trigger::DelKey, Trigger::EditMenu, Trigger::PopupMenu)),
                         [](const auto& p) {
                             return std::string(std::get<0>(p.param).name) + "_" +
                                    kTriggerNames[static_cast<int>(std::get<1>(p.param))];
                         });

// ---- Adding and selecting all --------------------------------------------------------------------

enum class AddTrigger { DoubleClick, Space, Insert, F2 };
const char* const kAddTriggerNames[] = {"DoubleClick", "Space", "Insert", "F2"};

class AddTest : public WindowTest, public ::testing::WithParamInterface<AddTrigger> {};

// Asks with the current line as the default and appends the answer as typed at the end (not after
// the current line); both flags are set, the total stays; an empty answer adds nothing.
TEST_P(AddTest, AppendsAtTheEnd) {
    fill(session().lstHOSTS, kTen);
    session().setLabel(HostsSession::Label::HOSTS3, "Total: 10");
    showWith(window->lstHOSTS);
    SetListItemIndex(session().lstHOSTS, 3);
    const QRect row3 = window->lstHOSTS->visualRect(window->lstHOSTS->model()->index(3, 0));
    const auto add = [&] {
        switch (GetParam()) {
        case AddTrigger::DoubleClick:
            QTest::mouseDClick(window->lstHOSTS->viewport(), Qt::LeftButton, {}, row3.center());
            break;
        case AddTrigger::Space:
            QTest::keyClick(window->lstHOSTS, Qt::Key_Space);
            break;
        case AddTrigger::Insert:
            QTest::keyClick(window->lstHOSTS, Qt::Key_Insert);
            break;
        case AddTrigger::F2:
            QTest::keyClick(window->lstHOSTS, Qt::Key_F2);
            break;
        }
    };
    DialogTestHook::queueInputBoxAnswer(QString());
    add();
    EXPECT_EQ(linesOf(session().lstHOSTS), kTen);
    EXPECT_FALSE(session().bChanged);

    DialogTestHook::queueInputBoxAnswer(QStringLiteral("  0.0.0.0  ads.example "));
    add();
    Lines expected = kTen;
    expected.push_back("  0.0.0.0  ads.example ");
    EXPECT_EQ(linesOf(session().lstHOSTS), expected);
    EXPECT_TRUE(session().bChanged);
    EXPECT_TRUE(session().bReload);
    EXPECT_EQ(window->lblHOSTS3->text(), QStringLiteral("Total: 10"));
    ASSERT_EQ(DialogTestHook::asked().size(), 2u);
    for (const DialogTestHook::Asked& asked : DialogTestHook::asked()) {
        EXPECT_EQ(asked.prompt, QStringLiteral("Enter code to add:"));
        EXPECT_EQ(asked.title, QString());
        EXPECT_EQ(asked.defaultText, QStringLiteral("10.0.0.3 c.lan"));
        EXPECT_EQ(asked.icon, 4);
    }
    EXPECT_EQ(QApplication::focusWidget(), window->lstHOSTS);
}

INSTANTIATE_TEST_SUITE_P(Triggers, AddTest,
                         ::testing::Values(AddTrigger::DoubleClick, AddTrigger::Space, AddTrigger::Insert,
                                           AddTrigger::F2),
                         [](const auto& p) { return std::string(kAddTriggerNames[static_cast<int>(p.param)]); });

// Ctrl+A selects every line, including those the view has not shown yet.
TEST_F(EditingTest, CtrlASelectsEverything) {
    fill(session().lstHOSTS, kTen);
    showWith(window->txtHOSTS[0]);
    window->lstHOSTS_KeyDown(65, 2);
    EXPECT_EQ(ListItemSelCount(session().lstHOSTS), 10);
    EXPECT_EQ(QApplication::focusWidget(), window->lstHOSTS);
    QTest::keyClick(window->lstHOSTS, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(ListItemSelCount(session().lstHOSTS), 10);
    EXPECT_EQ(window->lstHOSTS->selectionModel()->selectedIndexes().size(), 10);
}

// The right button opens the Edit menu at the mouse and leaves the selection alone; the left button
// opens nothing.
TEST_F(EditingTest, RightButtonOpensTheEditMenuAtTheMouse) {
    fill(session().lstHOSTS, kTen);
    showWith(window->lstHOSTS);
    select({0, 1});
    QWidget* viewport = window->lstHOSTS->viewport();
    const QPoint onRow5 = window->lstHOSTS->visualRect(window->lstHOSTS->model()->index(5, 0)).center();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, onRow5);
    EXPECT_FALSE(window->mnuEdit->isVisible());
    select({0, 1});
    QTest::mouseClick(viewport, Qt::RightButton, {}, onRow5);
    EXPECT_TRUE(window->mnuEdit->isVisible());
    EXPECT_EQ(window->mnuEdit->pos(), viewport->mapToGlobal(onRow5));
    EXPECT_EQ(selectedLines(), (std::vector<int32_t>{0, 1}));
    window->mnuEdit->hide();
}

// ---- Clicking an added line ----------------------------------------------------------------------

struct PickCase {
    const char* name;
    int row;                       // the clicked row of lstNew
    std::vector<int32_t> selected; // in lstHOSTS afterwards
};

class PickTest : public WindowTest, public ::testing::WithParamInterface<PickCase> {};

// A click in the added lines selects the first HOSTS line equal to it, ignoring case, and scrolls to
// it; a line with no equal leaves the HOSTS list with nothing selected.
TEST_P(PickTest, SelectsTheEqualHostsLine) {
    const PickCase& c = GetParam();
    fill(session().lstHOSTS, kTen);
    fill(session().lstNew, {"10.0.0.4 D.LAN", "10.0.0.4", "127.0.0.1 LOCALHOST"});
    showWith(window->lstNew);
    select({0, 7});
    QWidget* viewport = window->lstNew->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {},
                      window->lstNew->visualRect(window->lstNew->model()->index(c.row, 0)).center());
    EXPECT_EQ(selectedLines(), c.selected);
}

INSTANTIATE_TEST_SUITE_P(Rows, PickTest,
                         ::testing::Values(PickCase{"CaseIgnored", 0, {4}}, PickCase{"PrefixIsNotEqual", 1, {}},
                                           PickCase{"FirstOfEqualLines", 2, {1}}),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
