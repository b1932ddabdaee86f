#include "WindowFixture.h"

#include "mainwindow/Credits.h"

#include <QLabel>

using namespace velmora;
using namespace velmora::test;

namespace {

class LinksTest : public WindowTest {};

// Captions open their row's path unchanged (left: editor, right: folder); Open and the credit line open theirs.
TEST_F(LinksTest, CaptionsAndButtonsOpenTheirPaths) {
    session().setTxtHOSTS(0, "/home/me/my lists/ad list.txt");
    session().setTxtHOSTS(1, "C:\\dir\\hosts");
    const std::tuple<QWidget*, Qt::MouseButton, std::string> cases[] = {
        {window->lblHOSTS[1], Qt::LeftButton, "editor:C:\\dir\\hosts"},
        {window->lblHOSTS[1], Qt::RightButton, "folder:C:\\dir\\"},
        {window->lblHOSTS[1], Qt::MiddleButton, ""},
        {window->lblHOSTS[0], Qt::LeftButton, "editor:/home/me/my lists/ad list.txt"},
        {window->lblHOSTS[0], Qt::RightButton, "folder:/home/me/my lists/"},
        {window->btnOpen, Qt::LeftButton, "editor:C:\\dir\\hosts"},
        {window->lblCredits, Qt::RightButton, ""},
        {window->lblCredits, Qt::LeftButton, std::string("address:") + credits::kHomePage},
    };
    for (const auto& [widget, button, call] : cases) {
        platform.calls_.clear();
        QTest::mouseClick(widget, button);
        EXPECT_EQ(platform.calls_, call.empty() ? Lines{} : Lines{call}) << widget->objectName().toStdString();
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
TEST_F(LinksTest, HoverLook) {
    showWith(window->lstHOSTS);
    const auto looksAfterMoveTo = [this](QWidget* widget, QPoint at = QPoint(3, 3)) {
        QTest::mouseMove(widget, at);
        return std::pair(look(window->lblHOSTS[0]), look(window->lblHOSTS[1]));
    };
    EXPECT_EQ(looksAfterMoveTo(window->lstHOSTS->viewport()), std::pair(0, 0));
    EXPECT_EQ(looksAfterMoveTo(window->lblHOSTS[0]), std::pair(1, 0));
    EXPECT_EQ(looksAfterMoveTo(window->lblNew), std::pair(1, 0));
    EXPECT_EQ(looksAfterMoveTo(window->lblHOSTS[1]), std::pair(1, 1));
    EXPECT_EQ(looksAfterMoveTo(control("client"), QPoint(400, 69)), std::pair(0, 0));
    looksAfterMoveTo(window->lblHOSTS[1]);
    EXPECT_EQ(looksAfterMoveTo(window->txtHOSTS[0], QPoint(10, 10)), std::pair(0, 0));
}

} // namespace
