#include "WindowFixture.h"

#include "mainwindow/QtCollation.h"

#include <QAction>

using namespace velmora;
using namespace velmora::test;

namespace {

// ---- Sorting -------------------------------------------------------------------------------------

struct SortCase {
    const char* name;
    Lines input;
    Lines sorted;
};

const SortCase kSortCases[] = {
    {"CaseIgnoredEqualLinesKeepOrder", {"b", "B", "a", "A", "bb"}, {"a", "A", "b", "B", "bb"}},
    {"DuplicatesEndUpAdjacent",
     {"127.0.0.1 x.example", "127.0.0.1 a.example", "127.0.0.1 x.example"},
     {"127.0.0.1 a.example", "127.0.0.1 x.example", "127.0.0.1 x.example"}},
    {"MixedCaseHostNames",
     {"127.0.0.1 Zeta.example", "127.0.0.1 alpha.example", "127.0.0.1 ALPHA.example"},
     {"127.0.0.1 alpha.example", "127.0.0.1 ALPHA.example", "127.0.0.1 Zeta.example"}},
    {"EmptyList", {}, {}},
};

class SortOrderTest : public ::testing::TestWithParam<std::tuple<SortCase, const char*>> {};

// The sort ignores letter case in the C locale and in locales with a collation of their own; lines
// that compare as equal keep their order.
TEST_P(SortOrderTest, OrdersByCollationIgnoringCase) {
    const auto& [c, localeName] = GetParam();
    EntryList list;
    fill(list, c.input);
    QtCollation collation{QLocale(QString::fromLatin1(localeName))};
    EntryList sorted;
    sorted.assignFrom(list, collation.order(list));
    EXPECT_EQ(linesOf(sorted), c.sorted);
}

INSTANTIATE_TEST_SUITE_P(Locales, SortOrderTest,
                         ::testing::Combine(::testing::ValuesIn(kSortCases), ::testing::Values("C", "en_US", "de_DE")),
                         [](const auto& p) {
                             return std::string(std::get<0>(p.param).name) + "_" +
                                    std::string(std::get<1>(p.param)).substr(0, 2);
                         });

class CommandsTest : public WindowTest {};

// Sorting a block: its marker lines go to the other comment lines, away from the block's entries.
// The sorted copy stays in lstSort; flags and labels are left alone; both passes show the progress
// window, the first under its own starting title, the second as "Sorting...".
TEST_F(CommandsTest, SortMovesBlockMarkersAmongComments) {
    fill(session().lstHOSTS, {"127.0.0.1 localhost", "#BEGIN of ads", "127.0.0.1 Ads.example", "#END of ads",
                              "# my hosts", "127.0.0.1 ads.example"});
    session().bChanged = false;
    session().bReload = true;
    session().setLabel(HostsSession::Label::HOSTS3, "Total: 6");
    ProgressWatch progress;
    control<QPushButton>("btnSort")->click();
    const Lines expected = {"#BEGIN of ads",         "#END of ads",           "# my hosts",
                            "127.0.0.1 Ads.example", "127.0.0.1 ads.example", "127.0.0.1 localhost"};
    const Lines sorted = linesOf(session().lstHOSTS);
    ASSERT_EQ(sorted.size(), 6u);
    // Whatever the locale's order of '#' lines among themselves, they come first and together.
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(sorted[i][0], '#') << sorted[i];
    EXPECT_EQ(Lines(sorted.begin() + 3, sorted.end()), Lines(expected.begin() + 3, expected.end()));
    EXPECT_EQ(linesOf(session().lstSort), sorted);
    EXPECT_FALSE(session().bChanged);
    EXPECT_TRUE(session().bReload);
    EXPECT_EQ(session().label(HostsSession::Label::HOSTS3), "Total: 6");
    EXPECT_EQ(progress.shown, (std::vector<std::string>{"Loading", "Sorting..."}));
}

// An empty list opens and closes the progress window twice and stays empty.
TEST_F(CommandsTest, SortingAnEmptyListShowsBothPasses) {
    ProgressWatch progress;
    window->btnSort_Click();
    EXPECT_EQ(session().lstHOSTS.count(), 0);
    EXPECT_EQ(progress.shown, (std::vector<std::string>{"Loading", "Sorting..."}));
    EXPECT_TRUE(window->findChildren<formProgress*>().isEmpty());
}

// ---- Clearing ------------------------------------------------------------------------------------

struct ClearCase {
    const char* name;
    int32_t answer;
    Lines after;
    bool changed;
};

class ClearTest : public WindowTest, public ::testing::WithParamInterface<ClearCase> {};

// Only Yes clears, leaving the one localhost line and a change to save; labels, added lines and
// bReload stay as they were.
TEST_P(ClearTest, AsksFirst) {
    const ClearCase& c = GetParam();
    fill(session().lstHOSTS, {"10.0.0.1 a", "10.0.0.2 b"});
    fill(session().lstNew, {"10.0.0.2 b"});
    session().setLabel(HostsSession::Label::HOSTS3, "Total: 2");
    session().bReload = false;
    DialogTestHook::queueMsgBoxAnswer(c.answer);
    control<QPushButton>("btnClear")->click();
    ASSERT_EQ(DialogTestHook::asked().size(), 1u);
    EXPECT_EQ(DialogTestHook::asked()[0].prompt, QStringLiteral("Do you want to clear the HOSTS file?"));
    EXPECT_EQ(DialogTestHook::asked()[0].buttons, 276);
    EXPECT_EQ(linesOf(session().lstHOSTS), c.after);
    EXPECT_EQ(session().bChanged, c.changed);
    EXPECT_FALSE(session().bReload);
    EXPECT_EQ(linesOf(session().lstNew), Lines{"10.0.0.2 b"});
    EXPECT_EQ(control<QLabel>("lblHOSTS3")->text(), QStringLiteral("Total: 2"));
}

INSTANTIATE_TEST_SUITE_P(Answers, ClearTest,
                         ::testing::Values(ClearCase{"Yes", 6, {"127.0.0.1 localhost"}, true},
                                           ClearCase{"No", 7, {"10.0.0.1 a", "10.0.0.2 b"}, false},
                                           ClearCase{"Closed", 0, {"10.0.0.1 a", "10.0.0.2 b"}, false}),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- Choosing files ------------------------------------------------------------------------------

struct BrowseCase {
    const char* name;
    int index;
    std::string answer;
    std::string expected; // the box's text afterwards
    bool reload;
};

class BrowseTest : public WindowTest, public ::testing::WithParamInterface<BrowseCase> {};

// The Open dialog starts at the box's text; a chosen file (blanks trimmed) fills the box and takes
// the focus with the text selected; only the HOSTS row sets bReload; a cancel changes nothing.
TEST_P(BrowseTest, FillsItsRow) {
    const BrowseCase& c = GetParam();
    showWith(control("lstHOSTS"));
    session().setTxtHOSTS(0, "/lists/old list.txt");
    session().setTxtHOSTS(1, "/etc/old hosts");
    session().bReload = false;
    const std::string before = session().txtHOSTS(c.index);
    platform.openAnswers = {c.answer};
    control<QPushButton>(c.index == 0 ? "btnBrowse(0)" : "btnBrowse(1)")->click();
    QApplication::processEvents();
    ASSERT_EQ(platform.dialogRequests.size(), 1u);
    const FileDialogRequest& request = platform.dialogRequests[0];
    EXPECT_EQ(request.title, "Open HOSTS");
    EXPECT_EQ(request.filter, "All files|*.*");
    EXPECT_EQ(request.initialPath, before);
    EXPECT_EQ(request.owner, static_cast<void*>(window.get()));
    EXPECT_EQ(session().txtHOSTS(c.index), c.expected);
    EXPECT_EQ(session().bReload, c.reload);
    auto* box = window->txtHOSTS[c.index];
    EXPECT_EQ(box->text().toStdString(), c.expected);
    if (c.answer.empty()) {
        EXPECT_EQ(QApplication::focusWidget(), window->lstHOSTS);
    } else {
        EXPECT_EQ(QApplication::focusWidget(), box);
        EXPECT_EQ(box->selectedText(), box->text());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, BrowseTest,
                         ::testing::Values(BrowseCase{"SourceChosen", 0, "  /lists/ads.txt ", "/lists/ads.txt", false},
                                           BrowseCase{"HostsChosen", 1, "/srv/hosts", "/srv/hosts", true},
                                           BrowseCase{"SourceCancelled", 0, "", "/lists/old list.txt", false},
                                           BrowseCase{"HostsCancelled", 1, "", "/etc/old hosts", false}),
                         [](const auto& p) { return std::string(p.param.name); });

// File > Open HOSTS loads the chosen file and shows its path; a cancel keeps the list.
TEST_F(CommandsTest, OpenHostsLoadsTheChosenFile) {
    writeFile(dir.file("other"), "10.1.1.1 one\r\n10.1.1.2 two\r\n");
    fill(session().lstHOSTS, {"keep"});
    window->mnuFileOpen->trigger();
    EXPECT_EQ(linesOf(session().lstHOSTS), Lines{"keep"});
    platform.openAnswers = {dir.file("other")};
    window->mnuFileOpen->trigger();
    EXPECT_EQ(linesOf(session().lstHOSTS), (Lines{"10.1.1.1 one", "10.1.1.2 two"}));
    EXPECT_EQ(window->txtHOSTS[1]->text().toStdString(), dir.file("other"));
    EXPECT_EQ(control<QLabel>("lblHOSTS3")->text(), QStringLiteral("Total: 2"));
}

// ---- Enter in the path boxes ---------------------------------------------------------------------

class EnterTest : public WindowTest, public ::testing::WithParamInterface<int> {};

// Enter merges from either box. In the HOSTS row the typed path marks a reload, so the merge first
// rebuilds the list from the newly typed file.
TEST_P(EnterTest, MergesFromEitherBox) {
    const int index = GetParam();
    writeFile(hostsPath, "127.0.0.1 localhost\r\n");
    writeFile(dir.file("typed hosts"), "10.9.9.9 typed\r\n");
    writeFile(dir.file("list.txt"), "ads.example\r\n127.0.0.1 localhost\r\n");
    window->Form_Load(false);
    session().setTxtHOSTS(0, dir.file("list.txt"));
    QLineEdit* box = window->txtHOSTS[index];
    showWith(box);
    ASSERT_EQ(box->selectedText(), box->text());
    if (index == 1)
        QTest::keyClicks(box, QString::fromStdString(dir.file("typed hosts")));
    QTest::keyClick(box, Qt::Key_Return);
    const Lines expected = index == 1 ? Lines{"10.9.9.9 typed", "127.0.0.1 ads.example", "127.0.0.1 localhost"}
                                      : Lines{"127.0.0.1 localhost", "127.0.0.1 ads.example"};
    EXPECT_EQ(linesOf(session().lstHOSTS), expected);
    EXPECT_EQ(linesOf(session().lstNew),
              index == 1 ? (Lines{"127.0.0.1 ads.example", "127.0.0.1 localhost"}) : Lines{"127.0.0.1 ads.example"});
    EXPECT_FALSE(session().bReload);
    EXPECT_TRUE(session().bChanged);
}

INSTANTIATE_TEST_SUITE_P(Boxes, EnterTest, ::testing::Values(0, 1));

// ---- Menu shortcuts wherever the focus is --------------------------------------------------------

class ShortcutTest : public WindowTest, public ::testing::WithParamInterface<const char*> {};

// Del, Ctrl+F, F3, Ctrl+O and Ctrl+S reach the menu from any control; Del in a path box deletes the
// selected HOSTS lines and leaves the box's text alone.
TEST_P(ShortcutTest, MenuShortcutsWinOverTheFocusedControl) {
    fill(session().lstHOSTS, {"a", "b", "c"});
    session().setTxtHOSTS(0, "/lists/source.txt");
    session().setTxtHOSTS(1, "/etc/hosts-copy");
    QWidget* focus = control(GetParam());
    showWith(focus);
    if (auto* box = qobject_cast<QLineEdit*>(focus))
        box->setCursorPosition(0);
    select({1});
    QTest::keyClick(focus, Qt::Key_Delete);
    EXPECT_EQ(linesOf(session().lstHOSTS), (Lines{"a", "c"}));
    EXPECT_EQ(window->txtHOSTS[0]->text(), QStringLiteral("/lists/source.txt"));
    EXPECT_EQ(window->txtHOSTS[1]->text(), QStringLiteral("/etc/hosts-copy"));

    focus->setFocus();
    DialogTestHook::queueInputBoxAnswer(QString());
    QTest::keyClick(focus, Qt::Key_F, Qt::ControlModifier);
    DialogTestHook::queueInputBoxAnswer(QString());
    QTest::keyClick(focus, Qt::Key_F3);
    ASSERT_EQ(DialogTestHook::asked().size(), 2u);
    EXPECT_EQ(DialogTestHook::asked()[0].title, QStringLiteral("Find"));
    EXPECT_EQ(DialogTestHook::asked()[1].title, QStringLiteral("Find"));

    QTest::keyClick(focus, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(focus, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(platform.dialogRequests.size(), 2u);
    EXPECT_EQ(platform.dialogRequests[0].title, "Open HOSTS");
    EXPECT_EQ(platform.dialogRequests[1].title, "Save HOSTS");
}

INSTANTIATE_TEST_SUITE_P(Focus, ShortcutTest,
                         ::testing::Values("txtHOSTS(0)", "txtHOSTS(1)", "lstHOSTS", "lstNew", "btnMerge"),
                         [](const auto& p) {
                             std::string name = p.param;
                             std::erase_if(name, [](char c) { return c == '(' || c == ')'; });
                             return name;
                         });

} // namespace
