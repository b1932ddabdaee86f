#include "dialogs/FormProgress.h"
#include "dialogs/QtUserInterface.h"

#include <QtWidgets>
#include <gtest/gtest.h>

namespace velmora {
namespace {

// At 96 DPI a 173 x 51 tool window with the track and the 2-pixel stub; the bar then grows in whole
// pixels with whole percents, and past the end nothing is drawn.
TEST(ProgressWindow, GeometryBarAndPercent) {
    ASSERT_DOUBLE_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
    formProgress w;
    EXPECT_EQ((QList<QRect>{w.rect(), w.Shape1->geometry(), w.Shape2->geometry(), w.lblPercent->geometry()}),
              (QList<QRect>{{0, 0, 173, 51}, {4, 14, 163, 20}, {4, 14, 2, 21}, {3, 37, 165, 15}}));
    int32_t value = 500;
    EXPECT_TRUE(w.ShowProgress(1, value, 1000));
    // 1222.5 twips, tie to even: 1222 twips, 81.47 pixels.
    EXPECT_EQ(QString::number(w.Shape2->width()) + ' ' + w.lblPercent->text(), QStringLiteral("81 50%"));
    value = 1000;
    EXPECT_TRUE(w.ShowProgress(1, value, 1000));
    EXPECT_EQ(QString::number(w.Shape2->width()) + ' ' + w.lblPercent->text(), QStringLiteral("163 100%"));
    EXPECT_FALSE(w.ShowProgress(1, value, 1000));
    EXPECT_EQ(value, 1001);
}

// Through the user interface: the owner's window with the title set before showing, and a fresh window
// ("Loading", no percent, the stub) after every close.
TEST(ProgressWindow, EveryShowingStartsAfresh) {
    QWidget owner;
    QtUserInterface ui(&owner);
    ui.setProgressTitle("Sorting...");
    ui.showProgress();
    formProgress* first = owner.findChild<formProgress*>();
    ASSERT_NE(first, nullptr);
    int32_t value = 10;
    ui.ShowProgress(0, value, 10);
    EXPECT_EQ(first->windowTitle() + ' ' + first->lblPercent->text(), QStringLiteral("Sorting... 100%"));
    ui.closeProgress();
    EXPECT_EQ(owner.findChild<formProgress*>(), nullptr);
    ui.showProgress();
    formProgress* second = owner.findChild<formProgress*>();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->windowTitle() + '|' + second->lblPercent->text(), QStringLiteral("Loading|"));
    EXPECT_EQ(second->bar().barWidth, 30);
    ui.closeProgress();
}

} // namespace
} // namespace velmora
