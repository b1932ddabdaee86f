#include "WindowFixture.h"

#include "mainwindow/QtCollation.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// Any locale: case ignored (beyond ASCII too), equal lines keep order, duplicates adjacent, markers among comments.
TEST(SortOrder, ByCollationIgnoringCase) {
    const std::pair<Lines, Lines> cases[] = {
        {{"b", "B", "a", "A", "bb"}, {"a", "A", "b", "B", "bb"}},
        {{"\xC3\xA9", "\xC3\x89", "\xC3\xA9"}, {"\xC3\xA9", "\xC3\x89", "\xC3\xA9"}},
        {{"1 x.lan", "1 a.lan", "1 x.lan"}, {"1 a.lan", "1 x.lan", "1 x.lan"}},
        {{"1 z", "#BEGIN of ads", "1 Ads", "#END of ads", "#hosts", "1 ads"},
         {"#BEGIN of ads", "#END of ads", "#hosts", "1 Ads", "1 ads", "1 z"}},
        {{}, {}},
    };
    for (const char* localeName : {"C", "en_US", "de_DE"}) {
        for (const auto& [input, expected] : cases) {
            EntryList list, sorted;
            fill(list, input);
            sorted.assignFrom(list, QtCollation(QLocale(QString::fromLatin1(localeName))).order(list));
            EXPECT_EQ(linesOf(sorted), expected) << localeName;
        }
    }
}

class CommandsTest : public WindowTest {};

// Sort uses the locale collation (byte order would put "É" before "é") and the sort list stays hidden.
TEST_F(CommandsTest, SortUsesTheLocaleCollation) {
    fill(hosts(), {"b", "\xC3\xA9", "\xC3\x89", "a"});
    showWith(window->lstHOSTS);
    window->btnSort->click();
    EXPECT_EQ(linesOf(hosts()), (Lines{"a", "b", "\xC3\xA9", "\xC3\x89"}));
    EXPECT_FALSE(window->lstSort->isVisible());
}

// Clear asks first; only Yes (not No, not a closed box) leaves the one localhost line and a change to save.
TEST_F(CommandsTest, ClearAsksFirst) {
    for (const auto& [answer, cleared] : {std::pair(6, true), std::pair(7, false), std::pair(0, false)}) {
        fill(hosts(), {"10.0.0.1 a"});
        session().bChanged = false;
        DialogTestHook::queueMsgBoxAnswer(answer);
        window->btnClear->click();
        EXPECT_EQ(linesOf(hosts()), cleared ? Lines{"127.0.0.1 localhost"} : Lines{"10.0.0.1 a"}) << answer;
        EXPECT_EQ(session().bChanged, cleared) << answer;
    }
}

// Browse starts at the row's path; a chosen file (trimmed) fills the box, focused and selected; cancel changes nothing.
TEST_F(CommandsTest, BrowseFillsItsRow) {
    showWith(window->lstHOSTS);
    session().setTxtHOSTS(0, "/lists/old.txt");
    session().setTxtHOSTS(1, "/etc/hosts");
    platform.openAnswers = {"", "  /lists/ads.txt "};
    for (const auto& [index, expected] : {std::pair(1, "/etc/hosts"), std::pair(0, "/lists/ads.txt")}) {
        QLineEdit* box = window->txtHOSTS[index];
        window->btnBrowse[index]->click();
        QApplication::processEvents();
        EXPECT_EQ(platform.dialogRequests.back().initialPath, index ? "/etc/hosts" : "/lists/old.txt");
        EXPECT_EQ(box->text().toStdString(), expected);
        EXPECT_EQ(QApplication::focusWidget(), index ? static_cast<QWidget*>(window->lstHOSTS) : box);
        EXPECT_EQ(box->selectedText(), index ? QString() : box->text());
    }
    EXPECT_EQ(platform.dialogRequests.size(), 2u);
}

// Enter (keypad too) in either path box merges; after a typed HOSTS path the merge rebuilds from the typed file.
TEST_F(CommandsTest, EnterInEitherBoxMerges) {
    writeFile(hostsPath, "127.0.0.1 localhost\r\n");
    writeFile(dir.file("typed hosts"), "10.9.9.9 typed\r\n");
    writeFile(dir.file("list.txt"), "ads.example\r\n");
    window->Form_Load(false);
    session().setTxtHOSTS(0, dir.file("list.txt"));
    showWith(window->txtHOSTS[0]);
    QTest::keyClick(window->txtHOSTS[0], Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(linesOf(hosts()), (Lines{"127.0.0.1 localhost", "127.0.0.1 ads.example"}));
    showWith(window->txtHOSTS[1]);
    QTest::keyClicks(window->txtHOSTS[1], QString::fromStdString(dir.file("typed hosts")));
    QTest::keyClick(window->txtHOSTS[1], Qt::Key_Return);
    EXPECT_EQ(linesOf(hosts()), (Lines{"10.9.9.9 typed", "127.0.0.1 ads.example"}));
}

class ShortcutTest : public WindowTest, public ::testing::WithParamInterface<const char*> {};

// From any control: Del deletes the selected HOSTS line (path boxes keep their text), Ctrl+F/F3/Ctrl+O/Ctrl+S act.
TEST_P(ShortcutTest, MenuShortcutsWinOverTheFocusedControl) {
    fill(hosts(), {"a", "b", "c"});
    session().setTxtHOSTS(0, "/lists/source.txt");
    session().setTxtHOSTS(1, "/etc/hosts-copy");
    QWidget* focus = control(GetParam());
    showWith(focus);
    select({1});
    QTest::keyClick(focus, Qt::Key_Delete);
    EXPECT_EQ(linesOf(hosts()), (Lines{"a", "c"}));
    EXPECT_EQ(window->txtHOSTS[0]->text() + window->txtHOSTS[1]->text(),
              QStringLiteral("/lists/source.txt/etc/hosts-copy"));
    DialogTestHook::queueInputBoxAnswer(QString());
    DialogTestHook::queueInputBoxAnswer(QString());
    writeFile(dir.file("other"), "10.1.1.1 one\r\n");
    platform.openAnswers = {dir.file("other")};
    for (const QKeyCombination key :
         {Qt::CTRL | Qt::Key_F, QKeyCombination(Qt::Key_F3), Qt::CTRL | Qt::Key_O, Qt::CTRL | Qt::Key_S})
        QTest::keyClick(focus, key.key(), key.keyboardModifiers());
    EXPECT_EQ(DialogTestHook::asked().size(), 2u);
    EXPECT_EQ(linesOf(hosts()), Lines{"10.1.1.1 one"});
    ASSERT_EQ(platform.dialogRequests.size(), 2u);
    EXPECT_EQ(platform.dialogRequests[1].title, "Save HOSTS");
}

INSTANTIATE_TEST_SUITE_P(Focus, ShortcutTest,
                         ::testing::Values("txtHOSTS(0)", "txtHOSTS(1)", "lstHOSTS", "lstNew", "btnMerge"),
                         [](const auto& p) { return std::string(p.param).substr(0, 8) + std::to_string(p.index); });

} // namespace
