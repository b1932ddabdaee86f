#include "DialogDriver.h"

#include "dialogs/DialogTestHook.h"
#include "dialogs/vbMsgBox.h"
#include "platform/FakePlatform.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace velmora {
namespace {

using test::child;
using test::whenModalShown;

const QString kPictures = QStringLiteral(VELMORA_TEST_DATA "/../../resources/icons");

class MsgBoxDialog : public testing::Test {
protected:
    void SetUp() override {
        static const bool pictures = [] {
            QDir::addSearchPath(QStringLiteral("velmora-pictures"), kPictures);
            return true;
        }();
        (void)pictures;
        setSystemPlatform(&m_platform);
        DialogTestHook::reset();
    }
    void TearDown() override {
        setSystemPlatform(nullptr);
        DialogTestHook::reset();
    }

    FakePlatform m_platform;
};

QString focusName(QWidget* dialog) {
    return dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
}

// Plays space-separated input on the box: "Esc", "Enter", "Tab", "click<slot>", or one typed character.
void play(QWidget* dialog, const std::string& input) {
    std::istringstream tokens(input);
    std::string token;
    while (tokens >> token) {
        QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
        if (token == "Esc")
            QTest::keyClick(target, Qt::Key_Escape);
        else if (token == "Enter")
            QTest::keyClick(target, Qt::Key_Return);
        else if (token == "Tab")
            QTest::keyClick(target, Qt::Key_Tab);
        else if (token.rfind("click", 0) == 0)
            QTest::mouseClick(child<QPushButton>(dialog, ("btnSel" + token.substr(5)).c_str()), Qt::LeftButton);
        else
            QTest::keyClick(target, token[0]);
    }
}

struct Answer {
    const char* scenario;
    int32_t buttons;
    std::array<const char*, 4> captions;
    int16_t defaultButton;
    int16_t cancelButton;
    const char* focused; // focus when the box comes up
    const char* input;
    int32_t result;
};

const Answer kAnswers[] = {
    {"prompt only: Enter", 64, {}, -1, -1, "btnSel0", "Enter", 1},
    {"prompt only: Esc", 64, {}, -1, -1, "btnSel0", "Esc", 1},
    {"OK Cancel: click Cancel", 1, {}, -1, -1, "btnSel1", "click2", 2},
    {"Retry Cancel: Enter", 5, {}, -1, -1, "btnSel1", "Enter", 4},
    {"Yes No Cancel: Esc takes Cancel, not No", 3, {}, -1, -1, "btnSel1", "Esc", 2},
    {"Yes No Cancel: unmatched key, then 'n'", 3, {}, -1, -1, "btnSel1", "x n", 7},
    {"Yes No: Esc takes No", 4, {}, -1, -1, "btnSel1", "Esc", 7},
    {"516: slot 3 hidden, Yes keeps the focus", 516, {}, -1, -1, "btnSel1", "Enter", 6},
    {"292: No focused", 292, {}, -1, -1, "btnSel2", "Enter", 7},
    {"DefaultButton 2 on OK Cancel", 1, {}, 2, -1, "btnSel2", "Enter", 2},
    {"DefaultButton 7 ignored", 1, {}, 7, -1, "btnSel1", "Enter", 1},
    {"CancelButton 1 on Yes No Cancel", 3, {}, -1, 1, "btnSel1", "Esc", 6},
    {"custom A B with 64: moved right, A focused", 64, {"A", "B"}, -1, -1, "btnSel1", "click2", 2},
    {"custom three over Yes No", 4, {"One", "Two", "Three"}, -1, -1, "btnSel1", "t", 2},
    {"custom with access letter", 2, {"&Apply", "&Later"}, -1, -1, "btnSel1", "l", 2},
    {"four custom with 64: slot 0 centred, focused, cancel", 64, {"W", "X", "Y", "Z"}, -1, -1, "btnSel0", "Esc", 1},
    {"four custom with 2: side by side", 2, {"W", "X", "Y", "Z"}, -1, -1, "btnSel0", "z", 4},
    {"DefaultButton 3: Tab runs 3, 1, 2", 3, {}, 3, -1, "btnSel3", "Tab Tab Enter", 7},
};

// The code that each way of answering gives, and where the focus is when the box comes up.
TEST_F(MsgBoxDialog, Answers) {
    for (const Answer& a : kAnswers) {
        SCOPED_TRACE(a.scenario);
        QString shownFocus;
        whenModalShown([&](QWidget* dialog) {
            shownFocus = focusName(dialog);
            play(dialog, a.input);
        });
        std::array<QString, 4> captions;
        for (size_t i = 0; i < 4; ++i)
            captions[i] = a.captions[i] ? QString::fromUtf8(a.captions[i]) : QString();
        const int32_t result = ShowMsgBox(QStringLiteral("Question?"), a.buttons, {}, {}, captions[0], captions[1],
                                          captions[2], captions[3], 4, nullptr, a.defaultButton, a.cancelButton);
        EXPECT_EQ(shownFocus.toStdString(), a.focused);
        EXPECT_EQ(result, a.result);
    }
}

struct Look {
    const char* scenario;
    int32_t buttons;
    std::array<const char*, 4> captions;
    const char* title;
    const char* text;
    int32_t icon;
    const char* shown; // "slot:caption@x" for every visible slot
    int promptHeight;
    bool promptBold;
    const char* windowTitle;
    int picture; // resource number shown, -1 none
};

// At 96 DPI: slots at x 9, 102, 195, 288 (84 wide); a centred slot 0 at 147; prompt 104 high, or 34 as a
// bold heading above a second message.
const Look kLooks[] = {
    {"prompt only", 64, {}, nullptr, nullptr, 4, "0:OK@147", 104, false, " ", 100},
    {"second message and title", 1, {}, "Velmora", "Details", 3, "1:OK@102 2:Cancel@195", 34, true, "Velmora", 103},
    {"three buttons, critical replaces Icon",
     19,
     {},
     nullptr,
     nullptr,
     3,
     "1:&Yes@102 2:&No@195 3:Cancel@288",
     104,
     false,
     " ",
     101},
    {"unlisted value, missing picture", 2, {}, nullptr, nullptr, 9, "", 104, false, " ", -1},
    {"four custom with 64",
     64,
     {"W", "X", "Y", "Z"},
     nullptr,
     nullptr,
     4,
     "0:W@147 1:X@102 2:Y@195 3:Z@288",
     104,
     false,
     " ",
     100},
    {"next call: slot 0 back at the left",
     2,
     {"W", "X", "Y", "Z"},
     nullptr,
     nullptr,
     4,
     "0:W@9 1:X@102 2:Y@195 3:Z@288",
     104,
     false,
     " ",
     104},
    {"Yes No Cancel with custom third slot",
     3,
     {nullptr, nullptr, nullptr, "Later"},
     nullptr,
     nullptr,
     4,
     "1:&Yes@102 2:&No@195 3:Later@288",
     104,
     false,
     " ",
     104},
};

// Buttons, positions, prompt area, title and picture, call after call on fresh windows.
TEST_F(MsgBoxDialog, Looks) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || screen->logicalDotsPerInchX() != 96 || screen->logicalDotsPerInchY() != 96)
        GTEST_SKIP() << "expectations are in pixels at 96 DPI";
    for (const Look& look : kLooks) {
        SCOPED_TRACE(look.scenario);
        QString shown, windowTitle;
        int promptHeight = 0;
        bool promptBold = false;
        QImage picture;
        QSize size;
        whenModalShown([&](QWidget* dialog) {
            QStringList visibleSlots;
            for (int i = 0; i < 4; ++i) {
                auto* button = child<QPushButton>(dialog, QStringLiteral("btnSel%1").arg(i).toLatin1().constData());
                if (button->isVisible())
                    visibleSlots << QStringLiteral("%1:%2@%3").arg(i).arg(button->text()).arg(button->x());
            }
            shown = visibleSlots.join(u' ');
            promptHeight = child<QLabel>(dialog, "lblLabel")->height();
            promptBold = child<QLabel>(dialog, "lblLabel")->font().bold();
            windowTitle = dialog->windowTitle();
            picture = child<QLabel>(dialog, "imgIcon")->pixmap().toImage();
            size = dialog->size();
            dialog->close();
        });
        std::array<QString, 4> c;
        for (size_t i = 0; i < 4; ++i)
            c[i] = look.captions[i] ? QString::fromUtf8(look.captions[i]) : QString();
        const int32_t result = ShowMsgBox(QStringLiteral("Prompt"), look.buttons, QString::fromUtf8(look.title),
                                          QString::fromUtf8(look.text), c[0], c[1], c[2], c[3], look.icon);
        EXPECT_EQ(result, 0) << "closed without a button";
        EXPECT_EQ(shown, QString::fromUtf8(look.shown));
        EXPECT_EQ(promptHeight, look.promptHeight);
        EXPECT_EQ(promptBold, look.promptBold);
        EXPECT_EQ(windowTitle, QString::fromUtf8(look.windowTitle));
        EXPECT_EQ(size, QSize(378, 177));
        if (look.picture < 0) {
            EXPECT_TRUE(picture.isNull());
        } else {
            const QImage expected(kPictures + QStringLiteral("/%1.png").arg(look.picture));
            ASSERT_FALSE(expected.isNull());
            EXPECT_TRUE(picture.convertToFormat(QImage::Format_ARGB32_Premultiplied) ==
                        expected.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        }
    }
}

// The sound is the one of the button set (or SystemExclamation), only with UseSound; the box is
// always made topmost.
TEST_F(MsgBoxDialog, SoundAndTopmost) {
    struct Case {
        int32_t buttons;
        bool useSound;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {64, true, {"sound:SystemAsterisk", "topmost"}},
        {0, true, {"sound:SystemQuestion", "topmost"}},
        {2, true, {"sound:SystemExclamation", "topmost"}},
        {64, false, {"topmost"}},
    };
    for (const Case& c : cases) {
        m_platform.calls_.clear();
        whenModalShown([](QWidget* dialog) { dialog->close(); });
        ShowMsgBox(QStringLiteral("Sound"), c.buttons, {}, {}, {}, {}, {}, {}, 4, nullptr, -1, -1, c.useSound);
        EXPECT_EQ(m_platform.calls_, c.calls) << c.buttons << " sound " << c.useSound;
    }
}

// The box closes itself with 0 after CloseTimer ms; a negative delay never fires.
TEST_F(MsgBoxDialog, CloseTimer) {
    whenModalShown([](QWidget*) {}, 5000);
    EXPECT_EQ(ShowMsgBox(QStringLiteral("Closing soon"), 3, {}, {}, {}, {}, {}, {}, 4, nullptr, -1, -1, false, 150), 0);

    whenModalShown([](QWidget* dialog) { QTimer::singleShot(400, dialog, [dialog] { play(dialog, "click1"); }); });
    EXPECT_EQ(ShowMsgBox(QStringLiteral("Never closes"), 3, {}, {}, {}, {}, {}, {}, 4, nullptr, -1, -1, false, -1), 6);
}

// No button and no timer: no key does anything, yet closing the window ends the box with 0.
TEST_F(MsgBoxDialog, BoxWithoutButtonsCanBeClosed) {
    bool stillUp = false;
    int visibleSlots = -1;
    whenModalShown([&](QWidget* dialog) {
        const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
        visibleSlots = static_cast<int>(
            std::count_if(buttons.begin(), buttons.end(), [](QPushButton* b) { return b->isVisible(); }));
        play(dialog, "o Esc Enter");
        stillUp = dialog->isVisible();
        dialog->close();
    });
    EXPECT_EQ(ShowMsgBox(QStringLiteral("Nothing to press"), 2), 0);
    EXPECT_EQ(visibleSlots, 0);
    EXPECT_TRUE(stillUp);
}

// With an owner the box is the owner's modal child and is centred over it.
TEST_F(MsgBoxDialog, OwnedBoxIsCentredOverOwner) {
    QWidget owner;
    owner.setGeometry(200, 150, 800, 600);
    owner.show();
    QWidget* parent = nullptr;
    QPoint centre;
    whenModalShown([&](QWidget* dialog) {
        parent = dialog->parentWidget();
        centre = dialog->frameGeometry().center();
        dialog->close();
    });
    ShowMsgBox(QStringLiteral("Owned"), 64, {}, {}, {}, {}, {}, {}, 4, &owner);
    EXPECT_EQ(parent, &owner);
    EXPECT_LE((centre - owner.frameGeometry().center()).manhattanLength(), 4);
}

// Queued answers are returned without a window and the questions recorded; with the queue empty
// the real box comes up again.
TEST_F(MsgBoxDialog, NextAnswerHook) {
    DialogTestHook::queueMsgBoxAnswer(7);
    DialogTestHook::queueMsgBoxAnswer(2);
    EXPECT_TRUE(DialogTestHook::active());
    EXPECT_EQ(ShowMsgBox(QStringLiteral("Do you want to clear the HOSTS file?"), 292), 7);
    EXPECT_EQ(
        ShowMsgBox(QStringLiteral("Do you want to save the changes?"), 3, QStringLiteral("T"), QStringLiteral("more")),
        2);
    EXPECT_FALSE(DialogTestHook::active());
    ASSERT_EQ(DialogTestHook::asked().size(), 2u);
    EXPECT_EQ(DialogTestHook::asked()[0].prompt, QStringLiteral("Do you want to clear the HOSTS file?"));
    EXPECT_EQ(DialogTestHook::asked()[0].buttons, 292);
    EXPECT_EQ(DialogTestHook::asked()[1].title, QStringLiteral("T"));
    EXPECT_EQ(DialogTestHook::asked()[1].text, QStringLiteral("more"));
    EXPECT_TRUE(m_platform.calls_.empty()) << "no sound, no window";

    whenModalShown([](QWidget* dialog) { play(dialog, "y"); });
    EXPECT_EQ(ShowMsgBox(QStringLiteral("Real box"), 4), 6);
    EXPECT_EQ(DialogTestHook::asked().size(), 2u);
}

} // namespace
} // namespace velmora
