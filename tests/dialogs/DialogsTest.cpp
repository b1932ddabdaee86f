// The dialogs driven from inside their own modal loops, and the user interface that asks for them.

#include "core/MessageBoxTables.h"
#include "dialogs/DialogTestHook.h"
#include "dialogs/InputBox.h"
#include "dialogs/MessageBox.h"
#include "dialogs/ProgressWindow.h"
#include "dialogs/QtUserInterface.h"
#include "platform/FakeDesktopServices.h"

#include <QTest>
#include <QtWidgets>
#include <gtest/gtest.h>

#include <functional>

namespace velmora::test {
namespace {

using namespace MessageStyle;
using namespace messagebox;

// Runs `action` once a modal dialog is up (polling for 5 s at most). A dialog still up 3 s later is
// closed, so that a failing test ends with the result of a close instead of hanging.
void whenModalShown(std::function<void(QWidget*)> action, int polls = 1000) {
    QTimer::singleShot(5, [action, polls] {
        const QPointer<QWidget> modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            if (polls > 0)
                whenModalShown(action, polls - 1);
            return;
        }
        action(modal);
        QTimer::singleShot(3000, [modal] {
            if (modal && modal->isVisible())
                modal->close();
        });
    });
}

// Plays input on a message box, which must stay up until the last character (a hidden button must not
// answer): "0".."3" click that slot, "!" is the window system's close, "#" the title bar's close
// button, "^" holds Ctrl for the next character, any other character is typed ("\r" Enter, "\x1b" Esc).
void play(QWidget* dialog, const char* input) {
    for (const char* c = input; *c; ++c) {
        ASSERT_TRUE(dialog->isVisible()) << "closed before " << c;
        QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
        if (*c >= '0' && *c <= '3')
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("btnSel") + *c), Qt::LeftButton);
        else if (*c == '!')
            dialog->close();
        else if (*c == '#')
            QTest::mouseClick(dialog->findChild<QToolButton*>("btnTitleClose"), Qt::LeftButton);
        else if (*c == '^')
            QTest::keyClick(target, *++c, Qt::ControlModifier);
        else
            QTest::keyClick(target, *c);
    }
}

// The fake desktop records sounds and topmost calls; no hook answer leaks between tests. The pictures
// come from the source tree, as the test programs carry no resources.
class DialogTest : public testing::Test {
protected:
    void SetUp() override {
        [[maybe_unused]] static const bool pictures =
            (QDir::addSearchPath("velmora-pictures", VELMORA_TEST_DATA "/../../resources/icons"), true);
        DialogTestHook::reset();
    }
    // Shows a message box with "|"-separated custom captions.
    int16_t show(MessageBoxRequest request, const char* captions = "") {
        const QStringList given = QString(captions).split(u'|');
        std::copy(given.begin(), given.end(), request.captions.begin());
        return showMessageBox(request, m_desktop);
    }
    FakeDesktopServices m_desktop;
    QWidget m_owner;
    QtUserInterface m_ui{m_desktop, &m_owner};
};

// The answer each way of answering a message box gives (Answer codes; custom caption k answers k).
TEST_F(DialogTest, MessageBoxAnswers) {
    const struct {
        const char *scenario, *captions, *input;
        int32_t style;
        int16_t defaultButton, cancelButton, answer;
    } cases[] = {
        {"OK only: Esc takes OK", "", "\x1b", Information, -1, -1, 1},
        {"Retry Cancel: Enter", "", "\r", RetryCancel, -1, -1, 4},
        {"Yes No Cancel: Esc takes Cancel, not No", "", "\x1b", YesNoCancel, -1, -1, 2},
        {"Yes No Cancel: unmatched key, then 'n'", "", "xn", YesNoCancel, -1, -1, 7},
        {"Yes No: '&', Ctrl+Y and Ctrl+N press nothing", "", "&^y^n!", YesNo, -1, -1, 0},
        {"Yes No Cancel: the title bar's close answers nothing", "", "#", YesNoCancel, -1, -1, 0},
        {"third focus, no slot 3: Yes focused", "", "\r", YesNo | kDefaultButton3, -1, -1, 6},
        {"default button 2 on OK Cancel", "", "\r", OkCancel, 2, -1, 2},
        {"cancel button 1 on Yes No Cancel", "", "\x1b", YesNoCancel, -1, 1, 6},
        {"custom three over Yes No", "One|Two|Three", "t", YesNo, -1, -1, 2},
        {"two custom, OK only: moved right, Esc idle", "&Apply|&Later", "\x1b!", Information, -1, -1, 0},
        {"Yes No Cancel, fourth custom: Esc takes No", "|||Later", "\x1b", YesNoCancel, -1, -1, 7},
        {"four custom, a style of no known buttons: side by side", "W|X|Y|Z", "z", 2, -1, -1, 4},
    };
    for (const auto& c : cases) {
        whenModalShown([&](QWidget* dialog) { play(dialog, c.input); });
        EXPECT_EQ(
            show({.style = c.style, .defaultButton = c.defaultButton, .cancelButton = c.cancelButton}, c.captions),
            c.answer)
            << c.scenario;
    }
}

// The title, the style's picture over the requested one, and the style's sound before the window is made
// topmost; a box with a close delay closes itself without an answer and plays nothing.
TEST_F(DialogTest, MessageBoxLooksSoundAndTimer) {
    QString looks;
    whenModalShown([&](QWidget* dialog) {
        looks = dialog->windowTitle() + (dialog->findChild<QLabel*>("imgIcon")->pixmap().isNull() ? " none" : " icon");
        dialog->close();
    });
    show({.style = YesNoCancel | Critical, .title = "T", .picture = DialogPicture::None});
    EXPECT_EQ(looks, "T icon");
    whenModalShown([](QWidget* dialog) { QTimer::singleShot(1000, dialog, [dialog] { play(dialog, "1"); }); });
    EXPECT_EQ(show({.style = YesNoCancel, .sound = false, .closeAfterMs = 150}), 0) << "Yes is pressed after 1 s";
    EXPECT_EQ(m_desktop.calls, (std::vector<std::string>{"sound:SystemHand", "topmost", "topmost"}));
}

// A box goes with its owner: deleting the owner while the box is up answers as if closed without a button,
// and nothing is read from the deleted box.
TEST_F(DialogTest, OwnerDeletedWhileUp) {
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
            EXPECT_EQ(show({.style = YesNo, .owner = owner}), 0);
        EXPECT_TRUE(gone) << "not the owner's child";
    }
}

// Typed: "\r" Enter, "\x1b" Esc; close: 'O' the OK button, 'C' the Cancel button, 'X' the close box, or
// nothing more. Each way closes the box at once; typing replaces the suggestion.
TEST_F(DialogTest, InputBoxWaysOfClosing) {
    const struct {
        const char *typed, *result;
        char close;
    } cases[] = {{"new\r", "new", 0}, {"", "old", 'O'}, {"", "", 'C'}, {"x\x1b", "", 0}, {"", "", 'X'}, {"y", "", 'T'}};
    for (const auto& c : cases) {
        whenModalShown([&](QWidget* dialog) {
            // Focus moves inside a window only once it is the active one; a slow start must not lose that.
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
            // The whole text is selected again whenever the field gets the focus back.
            auto* entry = dialog->findChild<QLineEdit*>("txtData");
            entry->setCursorPosition(1);
            dialog->findChild<QPushButton*>("btnOK")->setFocus();
            entry->setFocus(Qt::ActiveWindowFocusReason);
            QTest::keyClicks(entry, c.typed);
            if (c.close == 'X')
                dialog->close();
            else if (c.close == 'T')
                QTest::mouseClick(dialog->findChild<QToolButton*>("btnTitleClose"), Qt::LeftButton);
            else if (c.close)
                dialog->findChild<QPushButton*>(c.close == 'O' ? "btnOK" : "btnCancel")->click();
            EXPECT_FALSE(dialog->isVisible()) << "still up";
        });
        EXPECT_EQ(showInputBox({.prompt = "Prompt", .suggestion = "old"}, m_desktop), c.result) << c.typed << c.close;
    }
    EXPECT_EQ(m_desktop.calls, std::vector<std::string>(6, "topmost"));
}

// Questions, notices and errors go to the message box in their style, text prompts to the input box with or
// without the note picture; bytes that are no UTF-8 still show, typed text comes back as UTF-8.
TEST_F(DialogTest, UserInterfaceAsks) {
    for (const Answer answer : {Answer::Yes, Answer::Ok, Answer::Ok})
        DialogTestHook::queueMessageBoxAnswer(answerCode(answer));
    DialogTestHook::queueInputBoxAnswer(QStringLiteral("caf\u00e9"));
    DialogTestHook::queueInputBoxAnswer({});
    EXPECT_EQ(m_ui.ask("Save?", YesNoCancel), Answer::Yes);
    m_ui.notify("'x' not found.");
    m_ui.reportError("Not saved: a\377");
    EXPECT_EQ(m_ui.askText("Find:", "Find", "old", false), "caf\xC3\xA9");
    EXPECT_EQ(m_ui.askText("Add:", "", "x\377", true), "");
    QStringList asked;
    for (const DialogTestHook::Asked& a : DialogTestHook::asked())
        asked << QStringLiteral("%1|%2|%3|%4|%5").arg(a.prompt, a.title, a.suggestion).arg(a.style).arg(a.picture);
    EXPECT_EQ(asked, QStringList({"Save?|||3|4", "'x' not found.|||64|4", QString("Not saved: a\u00ff|||16|4"),
                                  "Find:|Find|old|0|5", QString("Add:||x\u00ff|0|4")}));
}

// The Save dialog belongs to the owner and starts in the suggested file's folder with its name (at most
// 254 characters).
TEST_F(DialogTest, SaveDialogStartsAtTheSuggestedFile) {
    const std::string longName(300, 'n');
    const std::pair<std::string, std::string> cases[] = {
        {"/etc/hosts", "/etc|hosts"}, {"/hosts", "/|hosts"}, {"/a/" + longName, "/a|" + longName.substr(0, 254)}};
    for (const auto& [suggested, expected] : cases) {
        m_ui.chooseSaveFile(suggested);
        const FileDialogRequest& r = m_desktop.dialogRequests.back();
        EXPECT_EQ(r.owner, &m_owner);
        EXPECT_EQ(r.title + '|' + r.filter + '|' + r.initialPath + '|' + r.initialName,
                  "Save HOSTS|Host File|" + expected);
    }
}

// The owner's progress window takes the title set before showing and shows each step; every showing after
// a close is a fresh window: "Loading", no percent, the bar's stub.
TEST_F(DialogTest, ProgressWindow) {
    const auto looks = [this] {
        const auto* window = m_owner.findChild<ProgressWindow*>();
        return window ? window->windowTitle() + ' ' + QString::number(window->findChild<QFrame*>("Shape2")->width()) +
                            ' ' + window->findChild<QLabel*>("lblPercent")->text()
                      : QStringLiteral("none");
    };
    m_ui.progress().setTitle("Sorting...");
    m_ui.progress().show();
    int32_t value = 500;
    m_ui.progress().step(1, value, 1000);
    EXPECT_EQ(looks(), "Sorting... 81 50%");
    m_ui.progress().close();
    EXPECT_EQ(looks(), "none");
    m_ui.progress().show();
    EXPECT_EQ(looks(), "Loading 2 ");
    m_ui.progress().close();
}

// Each window of the kit asks the window manager for no frame at all, so that none can draw minimise or
// maximise buttons, and draws its own title bar with a close button alone; a window minimised all the
// same comes back. The progress window stays a fixed tool window; a title too long for its bar widens
// it about its centre, with the bar's track in the middle; a short one keeps the first width.
TEST_F(DialogTest, OwnTitleBarsWithoutMinimiseOrMaximise) {
    ProgressWindow window(&m_owner);
    window.show();
    for (QWidget* kit : std::initializer_list<QWidget*>{&window, new InputBox({}), new MessageBox({})}) {
        const Qt::WindowFlags flags = kit->windowFlags();
        EXPECT_EQ(flags & (Qt::FramelessWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint),
                  Qt::FramelessWindowHint)
            << kit->objectName().toStdString();
        const auto* bar = kit->findChild<QWidget*>("titleBar");
        ASSERT_TRUE(bar);
        EXPECT_EQ(bar->findChildren<QAbstractButton*>().size(), 1);
        EXPECT_EQ(kit->minimumSize(), kit->maximumSize());
        if (kit != &window)
            delete kit;
    }
    EXPECT_EQ(window.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    window.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_FALSE(window.windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(window.isVisible());

    const int firstWidth = window.width();
    window.setWindowTitle(QStringLiteral("Busy"));
    EXPECT_EQ(window.width(), firstWidth);
    const QPoint centre = window.geometry().center();
    const QString longTitle = QStringLiteral("Downloading https://lists.example/a-rather-long-name/hosts.txt...");
    window.setWindowTitle(longTitle);
    QFont bold = window.findChild<QWidget*>("titleBar")->font();
    EXPECT_GT(window.width(), QFontMetrics(bold).horizontalAdvance(longTitle));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_LE((window.geometry().center() - centre).manhattanLength(), 1);
    const QFrame* track = window.findChild<QFrame*>(QStringLiteral("Shape1"));
    EXPECT_LE(std::abs(track->mapTo(&window, track->rect().center()).x() - window.width() / 2), 2);
}

// Work that offers a Cancel gets a Cancel button, and the window takes input for itself alone (modal);
// the button, Esc and the close button all set the work's flag, and the window stays until the work
// closes it. Without a Cancel the close button only hides the window.
TEST_F(DialogTest, ProgressWindowCancel) {
    const auto window = [this] { return m_owner.findChild<ProgressWindow*>(); };
    for (const char way : {'B', 'E', 'C'}) {
        std::atomic<bool> cancel{false};
        m_ui.progress().offerCancel(cancel);
        m_ui.progress().show();
        ASSERT_TRUE(window());
        auto* button = window()->findChild<QPushButton*>("btnCancel");
        ASSERT_TRUE(button && button->isVisible());
        EXPECT_EQ(window()->windowModality(), Qt::ApplicationModal);
        if (way == 'B')
            QTest::mouseClick(button, Qt::LeftButton);
        else if (way == 'E')
            QTest::keyClick(window(), Qt::Key_Escape);
        else
            QTest::mouseClick(window()->findChild<QToolButton*>("btnTitleClose"), Qt::LeftButton);
        EXPECT_TRUE(cancel.load()) << way;
        EXPECT_TRUE(window()->isVisible()) << way;
        m_ui.progress().close();
    }
    m_ui.progress().show();
    EXPECT_FALSE(window()->findChild<QPushButton*>("btnCancel"));
    window()->close();
    EXPECT_FALSE(window()->isVisible());
    m_ui.progress().close();
}

} // namespace
} // namespace velmora::test
