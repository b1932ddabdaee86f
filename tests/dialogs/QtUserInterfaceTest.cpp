#include "dialogs/QtUserInterface.h"
#include "DialogDriver.h"
#include "dialogs/MessageBoxTables.h"
#include "dialogs/ProgressWindow.h"
#include "dialogs/Units.h"

namespace velmora::test {
namespace {

class QtUserInterfaceTest : public DialogTest {
protected:
    QWidget m_owner;
    QtUserInterface m_ui{m_desktop, &m_owner};
};

// Questions, notices and errors go to the message box in their style, text prompts to the input box with or
// without the note picture; bytes that are no UTF-8 still show, typed text comes back as UTF-8. Answered by
// the hook: nothing is shown, sounded or raised.
TEST_F(QtUserInterfaceTest, DialogsAskedFor) {
    for (const Answer answer : {Answer::Yes, Answer::Ok, Answer::Ok})
        DialogTestHook::queueMessageBoxAnswer(messagebox::answerCode(answer));
    DialogTestHook::queueInputBoxAnswer(QStringLiteral("caf\u00e9"));
    DialogTestHook::queueInputBoxAnswer({});
    EXPECT_EQ(m_ui.ask("Save?", MessageStyle::YesNoCancel), Answer::Yes);
    m_ui.notify("'x' not found.");
    m_ui.reportError("Not saved: a\377");
    EXPECT_EQ(m_ui.askText("Find:", "Find", "old", false), "caf\xC3\xA9");
    EXPECT_EQ(m_ui.askText("Add:", "", "x\377", true), "");
    QStringList asked;
    for (const DialogTestHook::Asked& a : DialogTestHook::asked())
        asked << QStringLiteral("%1|%2|%3|%4|%5").arg(a.prompt, a.title, a.suggestion).arg(a.style).arg(a.picture);
    EXPECT_EQ(asked, QStringList({"Save?|||3|4", "'x' not found.|||64|4", QString("Not saved: a\u00ff|||16|4"),
                                  "Find:|Find|old|0|5", QString("Add:||x\u00ff|0|4")}));
    EXPECT_TRUE(m_desktop.calls.empty());
}

// The Save dialog belongs to the owner and starts in the suggested file's folder with its name (at most
// 254 characters); its answer comes back as given.
TEST_F(QtUserInterfaceTest, SaveDialogStartsAtTheSuggestedFile) {
    const std::string longName(300, 'n');
    const std::pair<std::string, std::string> cases[] = {{"/etc/hosts", "/etc|hosts"},
                                                         {"/hosts", "/|hosts"},
                                                         {"hosts", "|hosts"},
                                                         {"/a/b/" + longName, "/a/b|" + longName.substr(0, 254)}};
    for (const auto& [suggested, expected] : cases) {
        m_desktop.saveAnswers = {" /tmp/out "};
        EXPECT_EQ(m_ui.chooseSaveFile(suggested), " /tmp/out ");
        const FileDialogRequest& r = m_desktop.dialogRequests.back();
        EXPECT_EQ(r.owner, &m_owner);
        EXPECT_EQ(r.title + '|' + r.filter + '|' + r.initialPath + '|' + r.initialName,
                  "Save HOSTS|Host File|" + expected);
    }
}

// Edges are rounded, not sizes: 7 twips start at pixel 0 and 14 end at pixel 1, so the width is 1.
TEST(Twips, EdgesRoundedNotSizes) {
    ASSERT_DOUBLE_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
    EXPECT_EQ(QList<int>({twips(15), twips(-30), twips(7), twips(8)}), QList<int>({1, -2, 0, 1}));
    EXPECT_EQ(twipsRect(7, 7, 7, 7), QRect(0, 0, 1, 1));
}

// The owner's progress window takes the title set before showing; at 96 DPI its bar grows from the 2-pixel
// stub in whole pixels with whole percents (half of 2445 twips is 1222.5, rounded to even) and fills the
// 163-pixel track at 100%. Every showing after a close is a fresh window: "Loading", no percent, the stub.
TEST_F(QtUserInterfaceTest, ProgressWindow) {
    ProgressSink& progress = m_ui.progress();
    const auto looks = [this] {
        const ProgressWindow* window = m_owner.findChild<ProgressWindow*>();
        return window ? window->windowTitle() + ' ' + QString::number(window->findChild<QFrame*>("Shape2")->width()) +
                            ' ' + window->findChild<QLabel*>("lblPercent")->text()
                      : QStringLiteral("none");
    };
    progress.setTitle("Sorting...");
    progress.show();
    int32_t value = 500;
    progress.step(1, value, 1000);
    EXPECT_EQ(looks(), "Sorting... 81 50%");
    value = 1000;
    progress.step(1, value, 1000);
    EXPECT_EQ(looks(), "Sorting... 163 100%");
    progress.close();
    EXPECT_EQ(looks(), "none");
    progress.show();
    EXPECT_EQ(looks(), "Loading 2 ");
    progress.close();
}

} // namespace
} // namespace velmora::test
