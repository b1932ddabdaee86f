#include "dialogs/InputBox.h"
#include "DialogDriver.h"

namespace velmora::test {
namespace {

class InputBoxDialog : public DialogTest {};

// Typed: "\r" Enter, "\x1b" Esc; close: 'O' the OK button, 'C' the Cancel button, 'X' the close box, or
// nothing more. Each way closes the box at once.
TEST_F(InputBoxDialog, WaysOfClosing) {
    const struct {
        const char *typed, *result;
        char close;
    } cases[] = {{"new\r", "new", 0}, {"", "old", 'O'}, {"", "", 'C'}, {"x\x1b", "", 0}, {"", "", 'X'}};
    for (const auto& c : cases) {
        whenModalShown([&](QWidget* dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>("txtData"), c.typed);
            if (c.close == 'X')
                dialog->close();
            else if (c.close)
                dialog->findChild<QPushButton*>(c.close == 'O' ? "btnOK" : "btnCancel")->click();
            EXPECT_FALSE(dialog->isVisible()) << "still up";
        });
        EXPECT_EQ(showInputBox({.prompt = "Prompt", .suggestion = "old"}, m_desktop), c.result) << c.typed << c.close;
    }
}

// Title, texts and picture; the whole text is selected when the box comes up and again whenever the field
// gets the focus back, also when the window is activated again; the window is made topmost.
TEST_F(InputBoxDialog, FirstShowing) {
    QStringList seen;
    whenModalShown([&](QWidget* dialog) {
        // Focus moves inside a window only once it is the active one; a slow start must not lose that.
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        auto* entry = dialog->findChild<QLineEdit*>("txtData");
        seen << dialog->windowTitle() << dialog->findChild<QLabel*>("lblLabel")->text()
             << dialog->findChild<QLabel*>("lblMessage")->text()
             << (dialog->findChild<QLabel*>("imgIcon")->pixmap().isNull() ? "no picture" : "picture")
             << dialog->focusWidget()->objectName() << entry->selectedText();
        entry->setCursorPosition(2);
        dialog->findChild<QPushButton*>("btnOK")->setFocus();
        entry->setFocus(Qt::ActiveWindowFocusReason);
        seen << entry->selectedText();
        dialog->close();
    });
    showInputBox({"Find what:", "Find", "example", "Second", DialogPicture::Critical}, m_desktop);
    EXPECT_EQ(seen.join(u'|'), "Find|Find what:|Second|picture|txtData|example|example");
    EXPECT_EQ(m_desktop.calls, std::vector<std::string>{"topmost"});
}

} // namespace
} // namespace velmora::test
