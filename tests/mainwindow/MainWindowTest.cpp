// The window's wiring: each control, key and menu reaches the document operation it stands for, and
// the window shows what the document holds. What the operations do is the document tests' part.

#include "WindowFixture.h"
#include "mainwindow/Credits.h"
#include "mainwindow/QtCollation.h"

#include <QMenu>
#include <QPushButton>

using namespace velmora;
using namespace velmora::test;

namespace {

const Lines kFour = {"# hosts", "127.0.0.1 localhost", "10.0.0.2 b", "10.0.0.3 Localhost.lan"};

// Any locale: case ignored (beyond ASCII too), equal lines keep order, markers among comments.
TEST(SortOrder, ByCollationIgnoringCase) {
    const std::pair<Lines, Lines> cases[] = {
        {{"b", "B", "a", "A", "bb"}, {"a", "A", "b", "B", "bb"}},
        {{"\xC3\xA9", "\xC3\x89", "\xC3\xA9"}, {"\xC3\xA9", "\xC3\x89", "\xC3\xA9"}},
        {{"1 z", "#BEGIN of ads", "1 Ads", "#END of ads", "#hosts", "1 ads"},
         {"#BEGIN of ads", "#END of ads", "#hosts", "1 Ads", "1 ads", "1 z"}},
        {{}, {}},
    };
    for (const char* localeName : {"C", "en_US", "de_DE"}) {
        for (const auto& [input, expected] : cases) {
            EntryList list = listOf(input);
            list.reorder(QtCollation(QLocale(QString::fromLatin1(localeName))).order(list));
            EXPECT_EQ(linesOf(list), expected) << localeName;
        }
    }
}

class MainWindowTest : public WindowTest {};

// Start-up, a merge by Enter in the path box and a sort by its button show in the lists and labels;
// the sort uses the locale collation (byte order would put "É" before "é").
TEST_F(MainWindowTest, ShowsWhatTheDocumentHolds) {
    startWith({"b", "\xC3\xA9", "\xC3\x89"});
    EXPECT_EQ(control<QLineEdit>("txtHOSTS(1)")->text().toStdString(), hostsPath);
    writeFile(dir.file("list.txt"), "a\n");
    QLineEdit* source = control<QLineEdit>("txtHOSTS(0)");
    showWith(source);
    QTest::keyClicks(source, QString::fromStdString(dir.file("list.txt")));
    QTest::keyClick(source, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(control<QLabel>("lblHOSTS1")->text(), QStringLiteral("1 items"));
    EXPECT_EQ(control<QLabel>("lblHOSTS3")->text(), QStringLiteral("Total: 4"));
    EXPECT_EQ(control<QListView>("lstNew")->model()->rowCount(), 1);
    control<QPushButton>("btnSort")->click();
    EXPECT_EQ(linesOf(document().lines()), (Lines{"127.0.0.1 a", "b", "\xC3\xA9", "\xC3\x89"}));
    EXPECT_EQ(lines()->model()->index(2, 0).data().toString(), QStringLiteral("\u00E9"));
}

// Keys in the HOSTS lines: Ctrl+A selects all, Space and a double click ask for a line to add, Ctrl+F
// asks for a text, F3 searches on, Del deletes; the Edit menu pops up on the right button.
TEST_F(MainWindowTest, ListKeysAndMouse) {
    startWith(kFour);
    showWith(lines());
    QTest::keyClick(lines(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selectedLines(), (Rows{0, 1, 2, 3}));
    DialogTestHook::queueInputBoxAnswer(QStringLiteral("added"));
    QTest::keyClick(lines(), Qt::Key_Space);
    document().selection().selectOnly(1);
    DialogTestHook::queueInputBoxAnswer(QString());
    QTest::mouseDClick(lines()->viewport(), Qt::LeftButton, {},
                       lines()->visualRect(lines()->model()->index(1, 0)).center());
    DialogTestHook::queueInputBoxAnswer(QStringLiteral("10.0"));
    QTest::keyClick(lines(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(selectedLines(), Rows{2});
    QTest::keyClick(lines(), Qt::Key_F3);
    EXPECT_EQ(selectedLines(), Rows{3});
    ASSERT_EQ(DialogTestHook::asked().size(), 3u);
    EXPECT_EQ(DialogTestHook::asked()[1].suggestion, QStringLiteral("127.0.0.1 localhost"));
    QTest::keyClick(lines(), Qt::Key_Delete);
    EXPECT_EQ(linesOf(document().lines()), (Lines{kFour[0], kFour[1], kFour[2], "added"}));
    EXPECT_EQ(control<QLabel>("lblHOSTS3")->text(), QStringLiteral("Total: 4"));
    QWidget* viewport = lines()->viewport();
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(control<QMenu>("mnuEdit")->pos(), viewport->mapToGlobal(QPoint(20, 20)));
    control<QMenu>("mnuEdit")->close();
}

// Clicking an added line selects the equal HOSTS line (case ignored).
TEST_F(MainWindowTest, AddedLinePicksItsHostsLine) {
    startWith({"127.0.0.1 X.example", "keep"});
    writeFile(dir.file("list.txt"), "x.example\nnew.example\n");
    document().setSourcePath(dir.file("list.txt"));
    document().merge();
    auto* added = control<QListView>("lstNew");
    showWith(added);
    QTest::mouseClick(added->viewport(), Qt::LeftButton, {}, added->visualRect(added->model()->index(0, 0)).center());
    EXPECT_EQ(selectedLines(), Rows{2});
}

// Clear asks first, and only Yes clears.
TEST_F(MainWindowTest, ClearAsksFirst) {
    startWith(kFour);
    DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::No));
    control<QPushButton>("btnClear")->click();
    EXPECT_EQ(document().lines().count(), 4);
    DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::Yes));
    control<QPushButton>("btnClear")->click();
    EXPECT_EQ(linesOf(document().lines()), Lines{"127.0.0.1 localhost"});
}

// Browse starts at its row's path; a chosen file (trimmed) fills the box, focused and selected.
TEST_F(MainWindowTest, BrowseFillsItsRow) {
    document().setSourcePath("/lists/old.txt");
    document().setHostsPath("/etc/hosts");
    desktop.openAnswers = {"", "  /lists/ads.txt "};
    showWith(lines());
    for (const auto& [row, expected] : {std::pair(1, "/etc/hosts"), std::pair(0, "/lists/ads.txt")}) {
        auto* box = control<QLineEdit>(row ? "txtHOSTS(1)" : "txtHOSTS(0)");
        control<QPushButton>(row ? "btnBrowse(1)" : "btnBrowse(0)")->click();
        QApplication::processEvents();
        EXPECT_EQ(desktop.dialogRequests.back().initialPath, row ? "/etc/hosts" : "/lists/old.txt");
        EXPECT_EQ(box->text().toStdString(), expected);
        EXPECT_EQ(QApplication::focusWidget(), row ? static_cast<QWidget*>(lines()) : box);
        EXPECT_EQ(box->selectedText(), row ? QString() : box->text());
    }
    EXPECT_EQ(document().sourcePath(), "/lists/ads.txt");
}

class ShortcutTest : public WindowTest, public ::testing::WithParamInterface<const char*> {};

// From any control: Del deletes the selected HOSTS line (path boxes keep their text), and Ctrl+F,
// F3, Ctrl+O and Ctrl+S act.
TEST_P(ShortcutTest, MenuShortcutsWinOverTheFocusedControl) {
    startWith({"a", "b", "c"});
    document().setSourcePath("/lists/source.txt");
    QWidget* focus = control(GetParam());
    showWith(focus);
    document().selection().selectOnly(1);
    QTest::keyClick(focus, Qt::Key_Delete);
    EXPECT_EQ(linesOf(document().lines()), (Lines{"a", "c"}));
    EXPECT_EQ(control<QLineEdit>("txtHOSTS(0)")->text(), QStringLiteral("/lists/source.txt"));
    EXPECT_EQ(control<QLineEdit>("txtHOSTS(1)")->text().toStdString(), hostsPath);
    DialogTestHook::queueInputBoxAnswer(QString());
    DialogTestHook::queueInputBoxAnswer(QString());
    writeFile(dir.file("other"), "10.1.1.1 one\n");
    desktop.openAnswers = {dir.file("other")};
    for (const QKeyCombination key :
         {Qt::CTRL | Qt::Key_F, QKeyCombination(Qt::Key_F3), Qt::CTRL | Qt::Key_O, Qt::CTRL | Qt::Key_S})
        QTest::keyClick(focus, key.key(), key.keyboardModifiers());
    EXPECT_EQ(DialogTestHook::asked().size(), 2u);
    EXPECT_EQ(linesOf(document().lines()), Lines{"10.1.1.1 one"});
    ASSERT_EQ(desktop.dialogRequests.size(), 2u);
    EXPECT_EQ(desktop.dialogRequests[1].title, "Save HOSTS");
}

INSTANTIATE_TEST_SUITE_P(Focus, ShortcutTest,
                         ::testing::Values("txtHOSTS(0)", "txtHOSTS(1)", "lstHOSTS", "lstNew", "btnMerge"),
                         [](const auto& p) { return std::string(p.param).substr(0, 8) + std::to_string(p.index); });

// Captions open their row's path unchanged (left: editor, right: folder); Open and the credit line
// open theirs.
TEST_F(MainWindowTest, LinksOpenTheirPaths) {
    document().setSourcePath("/home/me/my lists/ad list.txt");
    document().setHostsPath("C:\\dir\\hosts");
    const std::tuple<const char*, Qt::MouseButton, std::string> cases[] = {
        {"lblHOSTS(1)", Qt::LeftButton, "editor:C:\\dir\\hosts"},
        {"lblHOSTS(1)", Qt::RightButton, "folder:C:\\dir\\"},
        {"lblHOSTS(1)", Qt::MiddleButton, ""},
        {"lblHOSTS(0)", Qt::RightButton, "folder:/home/me/my lists/"},
        {"btnOpen", Qt::LeftButton, "editor:C:\\dir\\hosts"},
        {"lblCredits", Qt::RightButton, ""},
        {"lblCredits", Qt::LeftButton, std::string("address:") + credits::kHomePage},
    };
    for (const auto& [name, button, call] : cases) {
        desktop.calls.clear();
        QTest::mouseClick(control(name), button);
        EXPECT_EQ(desktop.calls, call.empty() ? Lines{} : Lines{call}) << name;
    }
}

// 1 for the link look (underlined, blue), 0 for plain text in the button-text colour, -1 for a mix.
int look(const QLabel* caption) {
    const QColor colour = caption->palette().color(QPalette::WindowText);
    if (caption->font().underline())
        return colour == QColor(0, 0, 255) ? 1 : -1;
    return colour == QApplication::palette().color(QPalette::ButtonText) ? 0 : -1;
}

// A hovered caption looks like a link until the mouse reaches the background or a path box.
TEST_F(MainWindowTest, HoverLook) {
    showWith(lines());
    const auto looksAfterMoveTo = [this](const char* name, QPoint at = QPoint(3, 3)) {
        QTest::mouseMove(control(name), at);
        return std::pair(look(control<QLabel>("lblHOSTS(0)")), look(control<QLabel>("lblHOSTS(1)")));
    };
    EXPECT_EQ(looksAfterMoveTo("lblHOSTS(0)"), std::pair(1, 0));
    EXPECT_EQ(looksAfterMoveTo("lblNew"), std::pair(1, 0));
    EXPECT_EQ(looksAfterMoveTo("lblHOSTS(1)"), std::pair(1, 1));
    EXPECT_EQ(looksAfterMoveTo("client", QPoint(400, 69)), std::pair(0, 0));
    looksAfterMoveTo("lblHOSTS(1)");
    EXPECT_EQ(looksAfterMoveTo("txtHOSTS(0)", QPoint(10, 10)), std::pair(0, 0));
}

// Tab cycles through the controls in the window's order; labels and pictures take no focus.
TEST_F(MainWindowTest, TabOrder) {
    const char* const order[] = {"txtHOSTS(0)", "btnBrowse(0)", "txtHOSTS(1)", "btnBrowse(1)", "btnMerge", "btnOpen",
                                 "lstNew",      "btnSave",      "btnClear",    "lstHOSTS",     "btnSort"};
    showWith(control(order[0]));
    for (size_t i = 1; i <= std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), order[i % std::size(order)]);
    }
}

} // namespace
