#include "dialogs/FormProgress.h"
#include "dialogs/QtUserInterface.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <gtest/gtest.h>

using namespace velmora;

namespace {
formProgress* openProgressWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<formProgress*>(widget))
            return window;
    return nullptr;
}
} // namespace

// The design values in pixels at 96 DPI: a 173 x 51 tool window, the track and the 2-pixel stub.
TEST(ProgressWindow, StartsFromTheDesignValues) {
    ASSERT_DOUBLE_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
    formProgress window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Loading"));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(window.size(), QSize(173, 51));
    EXPECT_EQ(window.Shape1->geometry(), QRect(4, 14, 163, 20));
    EXPECT_EQ(window.Shape2->geometry(), QRect(4, 14, 2, 21));
    EXPECT_EQ(window.lblPercent->geometry(), QRect(3, 37, 165, 15));
    EXPECT_TRUE(window.lblPercent->text().isEmpty());
}

// The bar grows with the arithmetic and shows whole percents; past the end nothing changes.
TEST(ProgressWindow, DrawsTheBarAndPercent) {
    formProgress window;
    int32_t value = 500;
    EXPECT_TRUE(window.ShowProgress(1, value, 1000));
    EXPECT_EQ(window.lblPercent->text(), QStringLiteral("50%"));
    EXPECT_EQ(window.Shape2->width(), 81); // 1222.5 twips, tie to even: 1222 twips, 81.47 pixels
    value = 1000;
    window.ShowProgress(1, value, 1000);
    EXPECT_EQ(window.Shape2->width(), 163);
    EXPECT_EQ(window.lblPercent->text(), QStringLiteral("100%"));
    EXPECT_FALSE(window.ShowProgress(1, value, 1000));
    EXPECT_EQ(value, 1001);
}

// Through the user interface: the title set before showing, and a fresh window after every close.
TEST(ProgressWindow, EveryShowingStartsAfresh) {
    QWidget owner;
    QtUserInterface ui(&owner);
    ui.setProgressTitle("Sorting...");
    ui.showProgress();
    formProgress* first = openProgressWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Sorting..."));
    EXPECT_EQ(first->parentWidget(), &owner);
    int32_t value = 10;
    ui.ShowProgress(0, value, 10);
    EXPECT_EQ(first->lblPercent->text(), QStringLiteral("100%"));
    ui.closeProgress();
    EXPECT_EQ(openProgressWindow(), nullptr);

    ui.showProgress();
    formProgress* second = openProgressWindow();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->windowTitle(), QStringLiteral("Loading"));
    EXPECT_TRUE(second->lblPercent->text().isEmpty());
    EXPECT_EQ(second->bar().barWidth, 30);
    ui.closeProgress();
}
