#include "dialogs/MessageBox.h"
#include "DialogDriver.h"
#include "dialogs/InputBox.h"

namespace velmora::test {
namespace {

using namespace MessageStyle;
using messagebox::kDefaultButton3;

constexpr int32_t kUnknownStyle = 2; // a button set the box does not know

// Custom caption k answers k.
constexpr Answer caption(int16_t k) {
    return static_cast<Answer>(k);
}

class MessageBoxDialog : public DialogTest {
protected:
    // Shows the box with "|"-separated custom captions; a close delay turns the sound off.
    Answer show(MessageBoxRequest request, const char* captions = "") {
        const QStringList given = QString(captions).split(u'|');
        std::copy(given.begin(), given.end(), request.captions.begin());
        request.sound = request.closeAfterMs == 0;
        return static_cast<Answer>(showMessageBox(request, m_desktop));
    }
};

// Plays input on the box, which must stay up until the last character: "0".."3" click that slot, "!" is
// the close box, "^" holds Ctrl for the next character, any other character is typed ("\r" Enter,
// "\x1b" Esc).
void play(QWidget* dialog, const char* input) {
    for (const char* c = input; *c; ++c) {
        ASSERT_TRUE(dialog->isVisible()) << "closed before " << c;
        QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
        if (*c >= '0' && *c <= '3')
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("btnSel") + *c), Qt::LeftButton);
        else if (*c == '!')
            dialog->close();
        else if (*c == '^')
            QTest::keyClick(target, *++c, Qt::ControlModifier);
        else
            QTest::keyClick(target, *c);
    }
}

// Focus: the slot focused when the box comes up and its left edge at 96 DPI; input: what is then played.
const struct Case {
    const char *scenario, *captions, *focus, *input;
    int32_t style;
    int16_t defaultButton, cancelButton;
    Answer answer;
} kAnswers[] = {
    {"prompt only: OK centred, Esc", "", "btnSel0@147", "\x1b", Information, -1, -1, Answer::Ok},
    {"OK Cancel: click Cancel", "", "btnSel1@102", "2", OkCancel, -1, -1, Answer::Cancel},
    {"Retry Cancel: Enter", "", "btnSel1@102", "\r", RetryCancel, -1, -1, Answer::Retry},
    {"Yes No Cancel: Esc takes Cancel, not No", "", "btnSel1@102", "\x1b", YesNoCancel, -1, -1, Answer::Cancel},
    {"Yes No Cancel: unmatched key, then 'n'", "", "btnSel1@102", "xn", YesNoCancel, -1, -1, Answer::No},
    {"Yes No: Esc takes No", "", "btnSel1@102", "\x1b", YesNo, -1, -1, Answer::No},
    {"Yes No: '&', Ctrl+Y and Ctrl+N press nothing", "", "btnSel1@102", "&^y^n!", YesNo, -1, -1, Answer::None},
    {"third focus, no slot 3: Yes focused", "", "btnSel1@102", "\r", YesNo | kDefaultButton3, -1, -1, Answer::Yes},
    {"default button 2 on OK Cancel", "", "btnSel2@195", "\r", OkCancel, 2, -1, Answer::Cancel},
    {"default button 6 ignored", "", "btnSel1@102", "\r", OkCancel, 6, -1, Answer::Ok},
    {"cancel button 1 on Yes No Cancel", "", "btnSel1@102", "\x1b", YesNoCancel, -1, 1, Answer::Yes},
    {"default button 3 on Yes No Cancel", "", "btnSel3@288", "\r", YesNoCancel, 3, -1, Answer::Cancel},
    {"custom three over Yes No", "One|Two|Three", "btnSel1@102", "t", YesNo, -1, -1, caption(2)},
    {"two custom, OK only: moved right, Esc idle", "&Apply|&Later", "btnSel1@102", "\x1b!", Information, -1, -1,
     Answer::None},
    {"OK only, first custom: centred, it cancels", "Help", "btnSel0@147", "\x1b", Information, -1, -1, caption(1)},
    {"OK only, second and third custom: OK kept", "|B|C", "btnSel0@147", "\x1b", Information, -1, -1, Answer::Ok},
    {"four custom, unknown style: side by side", "W|X|Y|Z", "btnSel0@9", "z", kUnknownStyle, -1, -1, caption(4)},
    {"OK Cancel, first custom: both kept", "Help", "btnSel1@102", "\x1b", OkCancel, -1, -1, Answer::Cancel},
    {"Yes No Cancel, two custom: Cancel kept", "A|B", "btnSel1@102", "\x1b", YesNoCancel, -1, -1, Answer::Cancel},
    {"Yes No Cancel, fourth custom: Esc takes No", "|||Later", "btnSel1@102", "\x1b", YesNoCancel, -1, -1, Answer::No},
    {"Yes No Cancel, third, fourth custom: Esc idle", "||C|D", "btnSel1@102", "\x1b!", YesNoCancel, -1, -1,
     Answer::None},
    {"no button: no key acts, the close box gives 0", "", "", "o\x1b\r!", kUnknownStyle, -1, -1, Answer::None},
};

// The answer that each way of answering gives, and where the focus is when the box comes up.
TEST_F(MessageBoxDialog, Answers) {
    ASSERT_DOUBLE_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
    for (const Case& a : kAnswers) {
        SCOPED_TRACE(a.scenario);
        QString focus;
        whenModalShown([&](QWidget* dialog) {
            if (const QWidget* button = dialog->focusWidget())
                focus = button->objectName() + '@' + QString::number(button->x());
            play(dialog, a.input);
        });
        EXPECT_EQ(
            show({.style = a.style, .defaultButton = a.defaultButton, .cancelButton = a.cancelButton}, a.captions),
            a.answer);
        EXPECT_EQ(focus, a.focus);
    }
}

// At 96 DPI: the prompt's height (bold above a second message), the title, whether a picture shows (the
// style's, else the requested one) and the sound before the window is made topmost.
TEST_F(MessageBoxDialog, Looks) {
    const struct {
        int32_t style, picture;
        const char *title, *message, *looks;
    } cases[] = {
        {Information, DialogPicture::None, "", "", "104 ' ' picture sound:SystemAsterisk topmost"},
        {OkCancel, DialogPicture::Question, "T", "Details", "34 bold 'T' picture sound:SystemExclamation topmost"},
        {YesNoCancel | Critical, DialogPicture::None, "", "", "104 ' ' picture sound:SystemHand topmost"},
        {kUnknownStyle, DialogPicture::None, "", "", "104 ' ' none sound:SystemExclamation topmost"},
    };
    for (const auto& c : cases) {
        m_desktop.calls.clear();
        QStringList looks;
        whenModalShown([&](QWidget* dialog) {
            const auto* prompt = dialog->findChild<QLabel*>("lblLabel");
            looks << QString::number(prompt->height()) + (prompt->font().bold() ? " bold" : "")
                  << "'" + dialog->windowTitle() + "'"
                  << (dialog->findChild<QLabel*>("imgIcon")->pixmap().isNull() ? "none" : "picture");
            dialog->close();
        });
        EXPECT_EQ(show({.style = c.style, .title = c.title, .message = c.message, .picture = c.picture}), Answer::None);
        for (const std::string& call : m_desktop.calls)
            looks << QString::fromStdString(call);
        EXPECT_EQ(looks.join(u' '), c.looks);
    }
}

// The box closes itself without an answer after its delay; without sound it is made topmost but plays nothing.
TEST_F(MessageBoxDialog, CloseTimerAndNoSound) {
    whenModalShown([](QWidget* dialog) { QTimer::singleShot(1000, dialog, [dialog] { play(dialog, "1"); }); });
    EXPECT_EQ(show({.style = YesNoCancel, .closeAfterMs = 150}), Answer::None) << "Yes is pressed after 1 s";
    EXPECT_EQ(m_desktop.calls, std::vector<std::string>{"topmost"});
}

// A box goes with its owner: deleting the owner while the box is up answers as if closed without a button.
TEST_F(MessageBoxDialog, OwnerDeletedWhileUp) {
    for (const bool inputBox : {false, true}) {
        auto* owner = new QWidget;
        bool gone = false;
        whenModalShown([&](QWidget* dialog) {
            const QPointer<QWidget> box = dialog;
            delete owner;
            gone = box.isNull();
        });
        if (inputBox)
            EXPECT_EQ(showInputBox({.suggestion = "x", .owner = owner}, m_desktop), QString());
        else
            EXPECT_EQ(show({.style = YesNo, .owner = owner}), Answer::None);
        EXPECT_TRUE(gone) << "not the owner's child";
    }
}

} // namespace
} // namespace velmora::test
