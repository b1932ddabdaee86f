#include "DialogDriver.h"
#include "dialogs/vbInputBox.h"

namespace velmora::test {
namespace {

class InputBoxDialog : public DialogTest {};

// Typed: "\x01" is Ctrl+A, "\b" backspace, "\r" Enter, "\x1b" Esc; field: the field's text afterwards; close:
// 'O' the OK button, 'C' the Cancel button, 'X' the close box, or nothing more.
const struct Entry { const char *scenario, *defaultText, *typed; bool numeric, upperCase; const char* field; char close;
    const char* result; } kEntries[] = {
    {"typing replaces the selected default, Enter", "old", "new\r", false, false, "new", 0, "new"},
    {"Cancel returns nothing", "keep", "", false, false, "keep", 'C', ""},
    {"Esc returns nothing", "keep", "x\x1b", false, false, "x", 0, ""},
    {"close box returns nothing", "keep", "", false, false, "keep", 'X', ""},
    {"no mode: control characters act", "", "4\x01" "2", false, false, "2", 'O', "2"},
    {"numbers only: letters, blanks, control characters dropped", "", "12a\x01" "b c", true, false, "12", 'O', "12"},
    {"numbers only: 1.2.3", "", "1.2.3", true, false, "1.2.3", 'O', "1.2"},
    {"numbers only: --5, Enter", "", "--5\r", true, false, "--5", 0, "0"},
    {"numbers only: default not filtered, result read", "12abc", "", true, false, "12abc", 'O', "12"},
    {"numbers only: Cancel gives 0", "5", "", true, false, "5", 'C', "0"},
    {"upper case while typing; backspace deletes", "", "ab\bc.x", false, true, "AC.X", 'O', "AC.X"},
    {"upper case: default converted in the result", "mixed Case", "", false, true, "mixed Case", 'O', "MIXED CASE"},
    {"upper case wins over numbers only", "", "a1-b", true, true, "A1-B", 'O', "A1-B"},
};

// Typing filter, the ways of closing, and the conversion of the result in each mode.
TEST_F(InputBoxDialog, Entries) {
    for (const Entry& e : kEntries) {
        SCOPED_TRACE(e.scenario);
        QString field;
        whenModalShown([&](QWidget* dialog) {
            auto* txtData = dialog->findChild<QLineEdit*>("txtData");
            QKeyEvent ctrlA(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"));
            for (const char* c = e.typed; *c; ++c) {
                if (*c == '\x01')
                    QApplication::sendEvent(txtData, &ctrlA);
                else
                    QTest::keyClick(txtData, *c);
            }
            field = txtData->text();
            if (e.close == 'X')
                dialog->close();
            else if (e.close)
                dialog->findChild<QPushButton*>(e.close == 'O' ? "btnOK" : "btnCancel")->click();
        });
        EXPECT_EQ(ShowInputBox("Prompt", {}, e.defaultText, {}, 4, nullptr, e.numeric, e.upperCase), e.result);
        EXPECT_EQ(field, e.field);
    }
}

// Title, texts and picture; the whole text is selected when the box comes up and again each time the
// field gets the focus back.
TEST_F(InputBoxDialog, FirstShowing) {
    QStringList seen;
    whenModalShown([&](QWidget* dialog) {
        auto* txtData = dialog->findChild<QLineEdit*>("txtData");
        seen << dialog->windowTitle() << dialog->findChild<QLabel*>("lblLabel")->text()
             << dialog->findChild<QLabel*>("lblMessage")->text()
             << (dialog->findChild<QLabel*>("imgIcon")->pixmap().isNull() ? "no picture" : "picture")
             << dialog->focusWidget()->objectName() << txtData->selectedText();
        txtData->setCursorPosition(2);
        QTest::keyClick(txtData, Qt::Key_Tab);
        seen << dialog->focusWidget()->objectName();
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        seen << txtData->selectedText();
        dialog->close();
    });
    ShowInputBox("Find what:", "Find", "example", "Second", 1);
    EXPECT_EQ(seen.join(u'|'), "Find|Find what:|Second|picture|txtData|example|btnOK|example");
}

} // namespace
} // namespace velmora::test
