#include "DialogDriver.h"
#include "dialogs/vbInputBox.h"
#include "dialogs/vbMsgBox.h"

namespace velmora::test {
namespace {

class MsgBoxDialog : public DialogTest {};

// Plays input, one character at a time: "0".."3" click that slot, "!" is the close box (with the box
// expected still up), any other character is typed ("\r" Enter, "\x1b" Esc, "\t" Tab).
void play(QWidget* dialog, const char* input) {
    for (const char* c = input; *c; ++c) {
        if (*c >= '0' && *c <= '3')
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("btnSel") + *c), Qt::LeftButton);
        else if (*c == '!')
            EXPECT_TRUE(dialog->isVisible() && dialog->close()) << "no key closed the box";
        else
            QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, *c);
    }
}

// Shows a box with "|"-separated custom captions and returns its code; a close timer turns the sound off.
int32_t show(int32_t buttons, const char* captions, int16_t defaultButton = -1, int16_t cancelButton = -1,
             const char* title = "", const char* text = "", int32_t icon = 4, int16_t closeTimer = 0) {
    QStringList c = QString(captions).split(u'|');
    c.resize(4);
    return ShowMsgBox("Prompt", buttons, title, text, c[0], c[1], c[2], c[3], icon, nullptr, defaultButton,
                      cancelButton, closeTimer == 0, closeTimer);
}

// Focus: the slot focused when the box comes up; input: what is then played on it.
const struct Answer { const char *scenario; int32_t buttons; const char* captions; int16_t defaultButton,
    cancelButton; const char *focus, *input; int32_t result; } kAnswers[] = {
    {"prompt only: Esc", 64, "", -1, -1, "btnSel0", "\x1b", 1},
    {"OK Cancel: click Cancel", 1, "", -1, -1, "btnSel1", "2", 2},
    {"Retry Cancel: Enter", 5, "", -1, -1, "btnSel1", "\r", 4},
    {"Yes No Cancel: Esc takes Cancel, not No", 3, "", -1, -1, "btnSel1", "\x1b", 2},
    {"Yes No Cancel: unmatched key, then 'n'", 3, "", -1, -1, "btnSel1", "xn", 7},
    {"Yes No: Esc takes No", 4, "", -1, -1, "btnSel1", "\x1b", 7},
    {"516: slot 3 hidden, Yes keeps the focus", 516, "", -1, -1, "btnSel1", "\r", 6},
    {"DefaultButton 2 on OK Cancel", 1, "", 2, -1, "btnSel2", "\r", 2},
    {"DefaultButton 7 ignored", 1, "", 7, -1, "btnSel1", "\r", 1},
    {"CancelButton 1 on Yes No Cancel", 3, "", -1, 1, "btnSel1", "\x1b", 6},
    {"DefaultButton 3: Tab runs 3, 1, 2", 3, "", 3, -1, "btnSel3", "\t\t\r", 7},
    {"custom three over Yes No", 4, "One|Two|Three", -1, -1, "btnSel1", "t", 2},
    {"two custom with 64: moved right, first focused, access letter", 64, "&Apply|&Later", -1, -1, "btnSel1", "l", 2},
    {"four custom with 64: slot 0 centred, focused, cancel", 64, "W|X|Y|Z", -1, -1, "btnSel0", "\x1b", 1},
    {"four custom with 2: side by side", 2, "W|X|Y|Z", -1, -1, "btnSel0", "z", 4},
    {"no button: no key does anything, the close box gives 0", 2, "", -1, -1, "", "o\x1b\r!", 0},
};

// The code that each way of answering gives, and where the focus is when the box comes up.
TEST_F(MsgBoxDialog, Answers) {
    for (const Answer& a : kAnswers) {
        SCOPED_TRACE(a.scenario);
        QString focus;
        whenModalShown([&](QWidget* dialog) {
            focus = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
            play(dialog, a.input);
        });
        EXPECT_EQ(show(a.buttons, a.captions, a.defaultButton, a.cancelButton), a.result);
        EXPECT_EQ(focus, a.focus);
    }
}

// Whether the box shows a picture ("picture") or leaves the area empty ("none").
QString pictureShown(QWidget* dialog) {
    return dialog->findChild<QLabel*>("imgIcon")->pixmap().isNull() ? "none" : "picture";
}

// At 96 DPI: "slot:caption@x" of the visible slots, the prompt's height (bold above a second message), the
// title, the picture and the sound; call after call on fresh windows, each closed with 0 by the close box.
TEST_F(MsgBoxDialog, Looks) {
    ASSERT_DOUBLE_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
    const struct { int32_t buttons; const char *captions, *title, *text; int32_t icon; const char* looks; } cases[] = {
        {64, "", "", "", 4, "0:OK@147 | 104 | ' ' | picture | sound:SystemAsterisk"},
        {1, "", "Velmora", "Details", 3, "1:OK@102 2:Cancel@195 | 34 bold | 'Velmora' | picture | sound:SystemExclamation"},
        {19, "", "", "", 3, "1:&Yes@102 2:&No@195 3:Cancel@288 | 104 | ' ' | picture | sound:SystemHand"},
        {2, "", "", "", 9, " | 104 | ' ' | none | sound:SystemExclamation"},
        {64, "W|X|Y|Z", "", "", 4, "0:W@147 1:X@102 2:Y@195 3:Z@288 | 104 | ' ' | picture | sound:SystemAsterisk"},
        {2, "W|X|Y|Z", "", "", 4, "0:W@9 1:X@102 2:Y@195 3:Z@288 | 104 | ' ' | picture | sound:SystemExclamation"},
    };
    for (const auto& c : cases) {
        QStringList looks;
        m_platform.calls_.clear();
        whenModalShown([&](QWidget* dialog) {
            for (int i = 0; i < 4; ++i)
                if (auto* b = dialog->findChild<QPushButton*>(QStringLiteral("btnSel%1").arg(i)); b->isVisible())
                    looks << QStringLiteral("%1:%2@%3").arg(i).arg(b->text()).arg(b->x());
            const auto* prompt = dialog->findChild<QLabel*>("lblLabel");
            looks = {looks.join(u' '), QString::number(prompt->height()) + (prompt->font().bold() ? " bold" : ""),
                     "'" + dialog->windowTitle() + "'", pictureShown(dialog)};
            dialog->close();
        });
        EXPECT_EQ(show(c.buttons, c.captions, -1, -1, c.title, c.text, c.icon), 0);
        ASSERT_EQ(m_platform.calls_.size(), 2u);
        EXPECT_EQ((looks << m_platform.calls_[0].c_str()).join(" | "), c.looks);
        EXPECT_EQ(m_platform.calls_[1], "topmost");
    }
}

// The box closes itself with 0 after CloseTimer ms; without UseSound it is made topmost but plays nothing.
TEST_F(MsgBoxDialog, CloseTimerAndNoSound) {
    whenModalShown([](QWidget* dialog) { QTimer::singleShot(1000, dialog, [dialog] { play(dialog, "1"); }); });
    EXPECT_EQ(show(3, "", -1, -1, "", "", 4, 150), 0) << "Yes is pressed after 1 s";
    EXPECT_EQ(m_platform.calls_, std::vector<std::string>{"topmost"});
}

// Queued answers come back as queued (no conversion) without a window, and the questions are recorded; the
// input box leaves message-box answers alone; with the queue empty the real box comes up, as the owner's child.
TEST_F(MsgBoxDialog, NextAnswerHook) {
    DialogTestHook::queueMsgBoxAnswer(7);
    DialogTestHook::queueInputBoxAnswer("12abc");
    EXPECT_EQ(ShowInputBox("Add:", "T", "line", {}, 5, nullptr, true), "12abc");
    whenModalShown([](QWidget* dialog) { dialog->close(); });
    EXPECT_EQ(ShowInputBox("Real input box", {}, "x"), QString());
    EXPECT_EQ(ShowMsgBox("Clear?", 292, {}, "more"), 7);
    const auto& asked = DialogTestHook::asked();
    ASSERT_EQ(asked.size(), 2u);
    using enum DialogTestHook::Dialog;
    EXPECT_TRUE(asked[0].dialog == InputBox && asked[1].dialog == MsgBox);
    EXPECT_EQ(QStringList({asked[0].prompt, asked[0].title, asked[0].defaultText, QString::number(asked[0].icon),
                           asked[1].prompt, QString::number(asked[1].buttons), asked[1].text}).join(u' '),
              "Add: T line 5 Clear? 292 more");
    EXPECT_EQ(m_platform.calls_, std::vector<std::string>{"topmost"}) << "only the real input box";
    QWidget owner;
    QWidget* parent = nullptr;
    whenModalShown([&parent](QWidget* dialog) { parent = dialog->parentWidget(); play(dialog, "y"); });
    EXPECT_EQ(ShowMsgBox("Real box", 4, {}, {}, {}, {}, {}, {}, 4, &owner), 6);
    EXPECT_EQ(parent, &owner);
}

} // namespace
} // namespace velmora::test
