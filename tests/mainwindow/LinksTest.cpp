#include "WindowFixture.h"

#include "mainwindow/Credits.h"

using namespace velmora;
using namespace velmora::test;

namespace {

struct LinkCase {
    const char* name;
    int row;
    Qt::MouseButton button;
    std::string path;
    std::vector<std::string> calls;
};

const LinkCase kLinkCases[] = {
    {"LeftOpensTheFileInTheEditor", 1, Qt::LeftButton, "C:\\dir\\hosts", {"editor:C:\\dir\\hosts"}},
    {"RightOpensItsFolder", 1, Qt::RightButton, "C:\\dir\\hosts", {"folder:C:\\dir\\"}},
    {"MiddleDoesNothing", 1, Qt::MiddleButton, "C:\\dir\\hosts", {}},
    {"SourceRowUsesTheSourcePath", 0, Qt::LeftButton, "/lists/ads.txt", {"editor:/lists/ads.txt"}},
    {"BlanksArriveAsOneUnquotedPath",
     0,
     Qt::LeftButton,
     "/home/me/my lists/ad list.txt",
     {"editor:/home/me/my lists/ad list.txt"}},
    {"FolderOfAPathWithBlanks", 0, Qt::RightButton, "/home/me/my lists/ad list.txt", {"folder:/home/me/my lists/"}},
    {"QuotesAndDashesArriveIntact", 1, Qt::LeftButton, "-x \"quoted\" 'hosts'", {"editor:-x \"quoted\" 'hosts'"}},
    {"BareNameHasAnEmptyFolder", 1, Qt::RightButton, "hosts", {"folder:"}},
};

class LinkTest : public WindowTest, public ::testing::WithParamInterface<LinkCase> {};

// A row caption passes its own row's path on, unchanged, to the editor or the file manager.
TEST_P(LinkTest, RowCaptionOpensItsPath) {
    const LinkCase& c = GetParam();
    session().setTxtHOSTS(0, "/other/source.txt");
    session().setTxtHOSTS(1, "/other/hosts");
    session().setTxtHOSTS(c.row, c.path);
    QWidget* caption = window->lblHOSTS[c.row];
    QTest::mouseClick(caption, c.button, {}, QPoint(5, 5));
    EXPECT_EQ(platform.calls_, c.calls);
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkTest, ::testing::ValuesIn(kLinkCases),
                         [](const auto& p) { return std::string(p.param.name); });

class LinksTest : public WindowTest {};

// "Open" always opens the HOSTS row's path; the credit line opens the address in its tooltip.
TEST_F(LinksTest, OpenButtonAndCreditLine) {
    session().setTxtHOSTS(0, "/lists/source list.txt");
    session().setTxtHOSTS(1, "/etc/my hosts");
    QTest::mouseClick(window->btnOpen, Qt::LeftButton);
    QTest::mouseClick(window->lblCredits, Qt::RightButton);
    QTest::mouseClick(window->lblCredits, Qt::LeftButton);
    EXPECT_EQ(platform.calls_,
              (std::vector<std::string>{"editor:/etc/my hosts", std::string("address:") + credits::kHomePage}));
}

// ---- Hover ---------------------------------------------------------------------------------------

bool looksLikeLink(const QLabel* caption) {
    return caption->font().underline() && caption->palette().color(QPalette::WindowText) == QColor(0, 0, 255);
}

bool looksPlain(const QLabel* caption) {
    return !caption->font().underline() &&
           caption->palette().color(QPalette::WindowText) == QApplication::palette().color(QPalette::ButtonText);
}

// The caption under the mouse turns into a link; moving straight onto another control leaves it so;
// the window's background or a path box returns both captions to plain text.
TEST_F(LinksTest, HoverLook) {
    showWith(window->lstHOSTS);
    QLabel* newHosts = window->lblHOSTS[0];
    QLabel* currentHosts = window->lblHOSTS[1];
    EXPECT_TRUE(looksPlain(newHosts));
    EXPECT_TRUE(looksPlain(currentHosts));
    const auto moveTo = [](QWidget* widget, QPoint at = QPoint(3, 3)) { QTest::mouseMove(widget, at); };

    moveTo(newHosts);
    EXPECT_TRUE(looksLikeLink(newHosts));
    EXPECT_TRUE(looksPlain(currentHosts));
    moveTo(window->lstHOSTS->viewport());
    moveTo(window->btnMerge);
    moveTo(window->lblNew);
    EXPECT_TRUE(looksLikeLink(newHosts));
    moveTo(currentHosts);
    EXPECT_TRUE(looksLikeLink(newHosts));
    EXPECT_TRUE(looksLikeLink(currentHosts));
    // The window's background, here just below the top band.
    moveTo(control("client"), QPoint(400, 69));
    EXPECT_TRUE(looksPlain(newHosts));
    EXPECT_TRUE(looksPlain(currentHosts));

    moveTo(currentHosts);
    moveTo(window->txtHOSTS[0], QPoint(10, 10));
    EXPECT_TRUE(looksPlain(currentHosts));
}

} // namespace
