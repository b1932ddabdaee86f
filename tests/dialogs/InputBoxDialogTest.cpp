#include "DialogDriver.h"

#include "dialogs/DialogTestHook.h"
#include "dialogs/vbInputBox.h"
#include "platform/FakePlatform.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::child;
using test::whenModalShown;

class InputBoxDialog : public testing::Test {
protected:
    void SetUp() override {
        static const bool pictures = [] {
            QDir::addSearchPath(QStringLiteral("velmora-pictures"),
                                QStringLiteral(VELMORA_TEST_DATA "/../../resources/icons"));
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

enum class Close { OK, Enter, Cancel, Esc, TitleBar };

struct Entry {
    const char* scenario;
    const char* defaultText;
    const char* typed; // typed into the field; "\b" is backspace, "\x01" Ctrl+A
    bool numeric;
    bool upperCase;
    const char* field; // the field's text before closing
    Close close;
    const char* result;
};

const Entry kEntries[] = {
    {"untouched default", "127.0.0.1 host", "", false, false, "127.0.0.1 host", Close::OK, "127.0.0.1 host"},
    {"typing replaces the selected default, Enter", "old", "new", false, false, "new", Close::Enter, "new"},
    {"Cancel returns nothing", "keep", "", false, false, "keep", Close::Cancel, ""},
    {"Esc returns nothing", "keep", "x", false, false, "x", Close::Esc, ""},
    {"title-bar close returns nothing", "keep", "", false, false, "keep", Close::TitleBar, ""},
    {"no mode: control characters act", "",
     "4\x01"
     "2",
     false, false, "2", Close::OK, "2"},
    {"numbers only: letters and control characters dropped", "",
     "12a\x01"
     "b c",
     true, false, "12", Close::OK, "12"},
    {"numbers only: 1.2.3", "", "1.2.3", true, false, "1.2.3", Close::OK, "1.2"},
    {"numbers only: --5", "", "--5", true, false, "--5", Close::OK, "0"},
    {"numbers only: backspace passes", "", "19\b8", true, false, "18", Close::OK, "18"},
    {"numbers only: default not filtered, result read", "007abc", "", true, false, "007abc", Close::OK, "7"},
    {"numbers only: empty gives 0", "", "", true, false, "", Close::OK, "0"},
    {"numbers only: Cancel gives 0", "5", "", true, false, "5", Close::Cancel, "0"},
    {"upper case while typing; backspace deletes", "", "ab\bc.x", false, true, "AC.X", Close::OK, "AC.X"},
    {"upper case: default converted in the result", "mixed Case", "", false, true, "mixed Case", Close::OK,
     "MIXED CASE"},
    {"upper case wins over numbers only", "", "a1-b", true, true, "A1-B", Close::OK, "A1-B"},
};

void typeInto(QLineEdit* field, const char* typed) {
    for (const char* c = typed; *c; ++c) {
        if (*c == '\b')
            QTest::keyClick(field, Qt::Key_Backspace);
        else if (*c == '\x01') { // Ctrl+A: the control character 1, select-all where it gets through
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"));
            QApplication::sendEvent(field, &press);
        } else
            QTest::keyClick(field, *c);
    }
}

// Typing filter, the ways of closing, and the conversion of the result in each mode.
TEST_F(InputBoxDialog, Entries) {
    for (const Entry& e : kEntries) {
        SCOPED_TRACE(e.scenario);
        QString field;
        whenModalShown([&](QWidget* dialog) {
            auto* txtData = child<QLineEdit>(dialog, "txtData");
            typeInto(txtData, e.typed);
            field = txtData->text();
            switch (e.close) {
            case Close::OK:
                QTest::mouseClick(child<QPushButton>(dialog, "btnOK"), Qt::LeftButton);
                break;
            case Close::Enter:
                QTest::keyClick(txtData, Qt::Key_Return);
                break;
            case Close::Cancel:
                QTest::mouseClick(child<QPushButton>(dialog, "btnCancel"), Qt::LeftButton);
                break;
            case Close::Esc:
                QTest::keyClick(txtData, Qt::Key_Escape);
                break;
            case Close::TitleBar:
                dialog->close();
                break;
            }
        });
        const QString result = ShowInputBox(QStringLiteral("Enter code to add:"), {}, QString::fromUtf8(e.defaultText),
                                            {}, 4, nullptr, e.numeric, e.upperCase);
        EXPECT_EQ(field, QString::fromUtf8(e.field));
        EXPECT_EQ(result, QString::fromUtf8(e.result));
    }
}

// The whole text is selected when the box comes up and again each time the field gets the focus back.
TEST_F(InputBoxDialog, FieldSelectsAllOnFocus) {
    QStringList selections;
    QString firstFocus;
    whenModalShown([&](QWidget* dialog) {
        auto* txtData = child<QLineEdit>(dialog, "txtData");
        firstFocus = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
        selections << txtData->selectedText();
        txtData->setCursorPosition(2);
        QTest::keyClick(txtData, Qt::Key_Tab);
        selections << dialog->focusWidget()->objectName();
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        selections << txtData->selectedText();
        dialog->close();
    });
    ShowInputBox(QStringLiteral("Enter text to find:"), QStringLiteral("Find"), QStringLiteral("example"));
    EXPECT_EQ(firstFocus, QStringLiteral("txtData"));
    EXPECT_EQ(selections, (QStringList{"example", "btnOK", "example"}));
}

// Title, texts and picture per call; a picture number without a picture leaves the area empty.
TEST_F(InputBoxDialog, TitleAndPicture) {
    struct Case {
        const char* title;
        int32_t icon;
        const char* windowTitle;
        bool picture;
    };
    const Case cases[] = {{"", 4, " ", true}, {"Find", 5, "Find", false}, {"", 1, " ", true}, {"", -200, " ", false}};
    for (const Case& c : cases) {
        QString windowTitle, prompt, message;
        bool picture = false;
        whenModalShown([&](QWidget* dialog) {
            windowTitle = dialog->windowTitle();
            prompt = child<QLabel>(dialog, "lblLabel")->text();
            message = child<QLabel>(dialog, "lblMessage")->text();
            picture = !child<QLabel>(dialog, "imgIcon")->pixmap().isNull();
            dialog->close();
        });
        ShowInputBox(QStringLiteral("Prompt"), QString::fromUtf8(c.title), {}, QStringLiteral("Second"), c.icon);
        EXPECT_EQ(windowTitle, QString::fromUtf8(c.windowTitle)) << c.icon;
        EXPECT_EQ(prompt, QStringLiteral("Prompt"));
        EXPECT_EQ(message, QStringLiteral("Second"));
        EXPECT_EQ(picture, c.picture) << c.icon;
    }
    EXPECT_EQ(m_platform.calls_, std::vector<std::string>(4, "topmost"));
}

// Queued answers come back as queued, without a window; the questions are recorded.
TEST_F(InputBoxDialog, NextAnswerHook) {
    DialogTestHook::queueInputBoxAnswer(QStringLiteral("0.0.0.0 ads.example"));
    DialogTestHook::queueInputBoxAnswer(QStringLiteral("abc"));
    EXPECT_EQ(ShowInputBox(QStringLiteral("Enter code to add:"), {}, QStringLiteral("line")),
              QStringLiteral("0.0.0.0 ads.example"));
    EXPECT_EQ(ShowInputBox(QStringLiteral("Enter text to find:"), QStringLiteral("Find"), {}, {}, 5, nullptr, true),
              QStringLiteral("abc"));
    ASSERT_EQ(DialogTestHook::asked().size(), 2u);
    EXPECT_EQ(DialogTestHook::asked()[0].dialog, DialogTestHook::Dialog::InputBox);
    EXPECT_EQ(DialogTestHook::asked()[0].defaultText, QStringLiteral("line"));
    EXPECT_EQ(DialogTestHook::asked()[1].title, QStringLiteral("Find"));
    EXPECT_EQ(DialogTestHook::asked()[1].icon, 5);
    EXPECT_TRUE(m_platform.calls_.empty());

    // A message-box answer is not taken by the input box.
    DialogTestHook::queueMsgBoxAnswer(6);
    whenModalShown([](QWidget* dialog) { dialog->close(); });
    EXPECT_EQ(ShowInputBox(QStringLiteral("Real"), {}, QStringLiteral("x")), QString());
    EXPECT_TRUE(DialogTestHook::active());
}

} // namespace
} // namespace velmora
