#include "WindowFixture.h"

#include "mainwindow/Credits.h"
#include "mainwindow/GraphicalButton.h"

#include <QFontDatabase>
#include <QScreen>

using namespace velmora;
using namespace velmora::test;

namespace {

struct Placement {
    const char* name;
    const char* kind;
    int left, top, width, height; // twips
};

// The layout table of the window.
const Placement kPlacements[] = {
    {"Shape1", "QFrame", -15, -15, 7845, 1020},
    {"Label1", "QLabel", 210, 210, 4845, 540},
    {"Image1", "QLabel", 6255, 120, 720, 720},
    {"lstHOSTS", "velmora::EntryListView", 15, 1080, 4890, 4845},
    {"lblHOSTS(0)", "QLabel", 5010, 1065, 2130, 225},
    {"txtHOSTS(0)", "QLineEdit", 4980, 1275, 2355, 330},
    {"btnBrowse(0)", "QPushButton", 7335, 1260, 330, 330},
    {"lblHOSTS1", "QLabel", 5085, 1620, 1380, 300},
    {"lblHOSTS(1)", "QLabel", 4995, 1890, 1380, 300},
    {"txtHOSTS(1)", "QLineEdit", 4980, 2115, 2355, 330},
    {"btnBrowse(1)", "QPushButton", 7335, 2115, 330, 330},
    {"lblHOSTS2", "QLabel", 5085, 2460, 1380, 300},
    {"btnMerge", "velmora::GraphicalButton", 4980, 2670, 2115, 570},
    {"btnOpen", "velmora::GraphicalButton", 7080, 2670, 615, 570},
    {"lblNew", "QLabel", 5010, 3375, 1200, 240},
    {"lstNew", "velmora::EntryListView", 4950, 3570, 2685, 1230},
    {"btnSave", "velmora::GraphicalButton", 5775, 4920, 1215, 615},
    {"btnClear", "velmora::GraphicalButton", 6960, 4920, 675, 615},
    {"Label2", "QLabel", 5040, 5115, 900, 240},
    {"lblHOSTS3", "QLabel", 5085, 5685, 2580, 300},
    {"Image2", "QLabel", -15, 5970, 7875, 840},
    {"btnSort", "velmora::GraphicalButton", 15, 6105, 645, 285},
    {"lstSort", "velmora::EntryListView", 675, 6105, 150, 255},
    {"lblCredits", "QLabel", 5985, 6150, 1635, 255},
};

class LayoutTest : public WindowTest {};

// Each control of the layout has its name, kind and place, in pixels at 96 DPI (15 twips a pixel).
TEST_F(LayoutTest, ControlsArePlacedAsTheTableSays) {
    ASSERT_DOUBLE_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
    for (const Placement& p : kPlacements) {
        SCOPED_TRACE(p.name);
        QWidget* widget = control(p.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(p.kind)) << widget->metaObject()->className();
        EXPECT_EQ(widget->geometry(), QRect(p.left / 15, p.top / 15, p.width / 15, p.height / 15));
        EXPECT_EQ(widget->parentWidget()->objectName(), QStringLiteral("client"));
    }
    EXPECT_EQ(control("client")->size(), QSize(518, 431));
}

struct Caption {
    const char* name;
    const char* text;
};

const Caption kCaptions[] = {
    {"Label1", "Velmora"},   {"lblHOSTS(0)", "New HOSTS"},
    {"btnBrowse(0)", "..."}, {"lblHOSTS(1)", "Current HOSTS"},
    {"btnBrowse(1)", "..."}, {"btnMerge", "&Load / Merge >>"},
    {"btnOpen", "Open"},     {"lblNew", "Added sites:"},
    {"btnSave", "Save"},     {"btnClear", "Clear"},
    {"Label2", "==>"},       {"btnSort", "Sort"},
};

// Every caption is its exact text and fits inside its fixed box in the font the window chose
// (a wider substitute face would clip it).
TEST_F(LayoutTest, CaptionsAreExactAndFitTheirBoxes) {
    std::vector<std::pair<QWidget*, QString>> texts;
    for (const Caption& c : kCaptions) {
        QWidget* widget = control(c.name);
        EXPECT_EQ(widget->property("text").toString(), QString::fromUtf8(c.text)) << c.name;
        texts.emplace_back(widget, QString::fromUtf8(c.text).remove(QLatin1Char('&')));
    }
    texts.emplace_back(control("lblCredits"), QString::fromUtf8(credits::kText));
    texts.emplace_back(control("lblHOSTS3"), QStringLiteral("Total: 1000000"));
    texts.emplace_back(control("lblHOSTS1"), QStringLiteral("1000000 items"));
    for (const auto& [widget, text] : texts) {
        const QFontMetrics metrics(widget->font());
        // Buttons keep three pixels of bevel on each side.
        const int margin = qobject_cast<QPushButton*>(widget) ? 6 : 0;
        EXPECT_LE(metrics.horizontalAdvance(text), widget->width() - margin) << text.toStdString();
        EXPECT_LE(metrics.height(), widget->height()) << text.toStdString();
    }
}

// Tahoma and MS Sans Serif are the faces in use where the system has them (Wine's copies count), so a
// failed font load shows here rather than as clipped captions.
TEST_F(LayoutTest, ClassicFacesAreUsedWhereInstalled) {
    const QStringList families = QFontDatabase::families();
    const std::pair<const char*, const char*> faces[] = {{"Label1", "Tahoma"},        {"lstHOSTS", "Tahoma"},
                                                         {"btnMerge", "Tahoma"},      {"lblHOSTS(1)", "Tahoma"},
                                                         {"Label2", "MS Sans Serif"}, {"lblCredits", "MS Sans Serif"},
                                                         {"lblNew", "MS Sans Serif"}};
    for (const auto& [name, face] : faces) {
        if (families.contains(QLatin1String(face))) {
            EXPECT_EQ(QFontInfo(control(name)->font()).family(), QLatin1String(face)) << name;
        }
    }
}

// The pictures of the window at their sizes, and the icon with its three images.
TEST_F(LayoutTest, PicturesAndIcon) {
    const std::pair<const char*, QSize> buttons[] = {
        {"btnOpen", {16, 16}}, {"btnSave", {16, 16}}, {"btnClear", {20, 20}}};
    for (const auto& [name, size] : buttons)
        EXPECT_EQ(control<GraphicalButton>(name)->picture().size(), size) << name;
    EXPECT_TRUE(control<GraphicalButton>("btnMerge")->picture().isNull());
    EXPECT_EQ(control<QLabel>("Image1")->pixmap().size(), QSize(48, 48));
    EXPECT_EQ(control<QLabel>("Image2")->pixmap().size(), QSize(4, 56));
    const QList<QSize> sizes = window->windowIcon().availableSizes();
    for (int side : {16, 32, 48})
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
}

// The Tab key visits the controls in the layout's order and never stops on a label, a picture or the
// sort list; Shift+Tab goes back the same way.
TEST_F(LayoutTest, TabOrderSkipsLabelsPicturesAndSortList) {
    const char* const order[] = {"txtHOSTS(0)", "btnBrowse(0)", "txtHOSTS(1)", "btnBrowse(1)", "btnMerge", "btnOpen",
                                 "lstNew",      "btnSave",      "btnClear",    "lstHOSTS",     "btnSort"};
    showWith(control("txtHOSTS(0)"));
    for (size_t i = 1; i <= std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), order[i % std::size(order)]);
    }
    for (size_t i = std::size(order); i-- > 0;) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), order[i]);
    }
    for (const char* name : {"Shape1", "Label1", "Image1", "lblHOSTS(0)", "lblHOSTS1", "lblHOSTS(1)", "lblHOSTS2",
                             "lblNew", "Label2", "lblHOSTS3", "Image2", "lstSort", "lblCredits"})
        EXPECT_EQ(control(name)->focusPolicy(), Qt::NoFocus) << name;
}

// The sort list stays hidden through showing, sorting and merging.
TEST_F(LayoutTest, SortListIsNeverVisible) {
    fill(session().lstHOSTS, {"b", "a"});
    showWith(control("lstHOSTS"));
    QWidget* sortList = control("lstSort");
    EXPECT_FALSE(sortList->isVisible());
    window->btnSort_Click();
    EXPECT_FALSE(sortList->isVisible());
    session().lstSort.setVisible(false);
    session().lstSort.setVisible(true);
    EXPECT_FALSE(sortList->isVisible());
}

} // namespace
