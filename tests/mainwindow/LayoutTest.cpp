#include "WindowFixture.h"

#include <QScreen>

using namespace velmora;
using namespace velmora::test;

namespace {

class LayoutTest : public WindowTest {};

// Every control sits where the layout table puts it, in pixels at 96 DPI (15 twips a pixel).
TEST_F(LayoutTest, ControlsArePlacedAsTheTableSays) {
    const std::pair<const char*, QRect> places[] = {
        {"Shape1", {-1, -1, 523, 68}},        {"Label1", {14, 14, 323, 36}},        {"Image1", {417, 8, 48, 48}},
        {"lstHOSTS", {1, 72, 326, 323}},      {"lblHOSTS(0)", {334, 71, 142, 15}},  {"txtHOSTS(0)", {332, 85, 157, 22}},
        {"btnBrowse(0)", {489, 84, 22, 22}},  {"lblHOSTS1", {339, 108, 92, 20}},    {"lblHOSTS(1)", {333, 126, 92, 20}},
        {"txtHOSTS(1)", {332, 141, 157, 22}}, {"btnBrowse(1)", {489, 141, 22, 22}}, {"lblHOSTS2", {339, 164, 92, 20}},
        {"btnMerge", {332, 178, 141, 38}},    {"btnOpen", {472, 178, 41, 38}},      {"lblNew", {334, 225, 80, 16}},
        {"lstNew", {330, 238, 179, 82}},      {"btnSave", {385, 328, 81, 41}},      {"btnClear", {464, 328, 45, 41}},
        {"Label2", {336, 341, 60, 16}},       {"lblHOSTS3", {339, 379, 172, 20}},   {"Image2", {-1, 398, 525, 56}},
        {"btnSort", {1, 407, 43, 19}},        {"lstSort", {45, 407, 10, 17}},       {"lblCredits", {399, 410, 109, 17}},
    };
    ASSERT_DOUBLE_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
    for (const auto& [name, place] : places) {
        QWidget* widget = control(name);
        EXPECT_EQ(widget ? widget->geometry() : QRect(), place) << name;
    }
    EXPECT_EQ(control("client")->size(), QSize(518, 431));
}

// Tab cycles through the controls in layout order; labels, pictures and the sort list take no focus.
TEST_F(LayoutTest, TabOrderSkipsLabelsPicturesAndSortList) {
    const char* const order[] = {"txtHOSTS(0)", "btnBrowse(0)", "txtHOSTS(1)", "btnBrowse(1)", "btnMerge", "btnOpen",
                                 "lstNew",      "btnSave",      "btnClear",    "lstHOSTS",     "btnSort"};
    showWith(control(order[0]));
    for (size_t i = 1; i <= std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), order[i % std::size(order)]);
    }
    for (const char* name : {"Shape1", "Label1", "Image1", "lblHOSTS(0)", "lblHOSTS1", "lblHOSTS(1)", "lblHOSTS2",
                             "lblNew", "Label2", "lblHOSTS3", "Image2", "lstSort", "lblCredits"})
        EXPECT_EQ(control(name)->focusPolicy(), Qt::NoFocus) << name;
}

} // namespace
