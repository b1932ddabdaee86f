// Edit > Blocks...: the dialog shows the document's blocks and forwards each button to the document,
// one change of the lines each, which Ctrl+Z in the dialog takes back.
#include "mainwindow/BlocksDialog.h"
#include "dialogs/DialogTestHook.h"
#include "mainwindow/MainWindow.h"
#include "platform/FakeDesktopServices.h"
#include "platform/FakeEnvironment.h"
#include "platform/FakeFileSystem.h"
#include "support/HttpServer.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <QtTest>
#include <QtWidgets>
#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::test;

namespace {

class BlocksDialogTest : public ::testing::Test {
protected:
    BlocksDialogTest() {
        environment.variables["VELMORA_HOSTS"] = hostsPath;
        environment.variables["XDG_CACHE_HOME"] = dir.file("cache");
        DialogTestHook::reset();
        window.document().setDownloader(&systemDownloader());
        window.document().setClock([] { return int64_t{1796533323}; });
        writeFile(list, "a.example\n");
        writeFile(hostsPath, "127.0.0.1 localhost\n#BEGIN of lan\n10.0.0.5 nas\n10.0.0.6 printer tv\n#END of lan\n"
                             "#BEGIN of a\n# source: " +
                                 list +
                                 "\n# updated: 2026-01-02T03:04:05Z\n127.0.0.1 a.example\n#END of a\n"
                                 "#BEGIN of w\n# source: " +
                                 web + "\n#END of w\n");
        window.start(false);
    }
    ~BlocksDialogTest() override { EXPECT_FALSE(DialogTestHook::active()) << "a queued answer was not asked for"; }

    // Each row of the dialog as its cells, "|"-separated.
    std::vector<QString> rows(BlocksDialog& dialog) {
        std::vector<QString> result;
        const BlocksModel& model = dialog.model();
        for (int r = 0; r < model.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < BlocksModel::Columns; ++c)
                cells << model.index(r, c).data().toString();
            result.push_back(cells.join(u'|'));
        }
        return result;
    }
    void pick(BlocksDialog& dialog, int row) {
        auto* view = dialog.findChild<QTreeView*>("lstBlocks");
        view->setCurrentIndex(view->model()->index(row, 0));
    }
    QPushButton* button(BlocksDialog& dialog, const char* name) { return dialog.findChild<QPushButton*>(name); }

    TempDir dir;
    std::string hostsPath = dir.file("hosts");
    std::string list = dir.file("a.txt");
    LocalHttpServer server{[](const HttpRequest&) -> HttpReply { return {200, "OK", {}, "w.example\n"}; }};
    std::string web = server.address("/w");
    FakeFileSystem files;
    FakeEnvironment environment;
    FakeDesktopServices desktop;
    MainWindow window{files, environment, desktop};
};

// The rows show each block's name, names, source, last update and state; switching, updating, removing
// and adding reach the document as one change each, unsaved, and Ctrl+Z takes the last one back.
TEST_F(BlocksDialogTest, ShowsAndChangesTheBlocks) {
    BlocksDialog dialog(window.document(), &window);
    dialog.show();
    // The hint is whole in its line.
    const auto* hint = dialog.findChild<QLabel*>("lblHint");
    EXPECT_LE(hint->sizeHint().width(), hint->width());
    // Shortcuts reach only the active window.
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const QString stamp =
        QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone::utc()).toLocalTime().toString("yyyy-MM-dd HH:mm");
    EXPECT_EQ(rows(dialog),
              (std::vector<QString>{"lan|3|your own|-|On", "a|1|" + QString::fromStdString(list) + "|" + stamp + "|On",
                                    "w|0|" + QString::fromStdString(web) + "|-|On"}));
    pick(dialog, 0);
    EXPECT_FALSE(button(dialog, "btnUpdate")->isEnabled());
    button(dialog, "btnSwitch")->click();
    EXPECT_EQ(window.document().lines().text(3), "#off 10.0.0.5 nas");
    EXPECT_EQ(rows(dialog)[0], "lan|3|your own|-|Off");
    EXPECT_EQ(button(dialog, "btnSwitch")->text(), "Switch &on");
    EXPECT_TRUE(window.document().isModified());
    QTest::keyClick(&dialog, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rows(dialog)[0], "lan|3|your own|-|On");
    EXPECT_FALSE(window.document().isModified());
    QTest::keyClick(&dialog, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(rows(dialog)[0], "lan|3|your own|-|Off");
    // Space in the list switches the chosen block as the button does.
    auto* view = dialog.findChild<QTreeView*>("lstBlocks");
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(rows(dialog)[0], "lan|3|your own|-|On");
    QTest::keyClick(&dialog, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rows(dialog)[0], "lan|3|your own|-|Off");

    pick(dialog, 2);
    EXPECT_TRUE(button(dialog, "btnUpdate")->isEnabled());
    button(dialog, "btnUpdate")->click();
    const QString now = QDateTime::fromSecsSinceEpoch(1796533323).toLocalTime().toString("yyyy-MM-dd HH:mm");
    EXPECT_EQ(rows(dialog)[2], "w|1|" + QString::fromStdString(web) + "|" + now + "|On");

    pick(dialog, 1);
    DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::Yes));
    button(dialog, "btnRemove")->click();
    EXPECT_EQ(rows(dialog).size(), 2u);
    EXPECT_EQ(DialogTestHook::asked().back().prompt, "Do you want to clear the block(s) 'a' from HOSTS file?");

    DialogTestHook::queueInputBoxAnswer(QString::fromStdString(list));
    DialogTestHook::queueInputBoxAnswer(QStringLiteral("again"));
    button(dialog, "btnAdd")->click();
    ASSERT_EQ(rows(dialog).size(), 3u);
    EXPECT_EQ(rows(dialog)[2], "again|1|" + QString::fromStdString(list) + "|" + now + "|On");
    EXPECT_EQ(dialog.findChild<QTreeView*>("lstBlocks")->currentIndex().row(), 2);
    // The progress window of the update gave the keyboard back to the dialog.
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rows(dialog).size(), 2u);
    // Del in the list asks as the button does; No keeps the block.
    pick(dialog, 1);
    DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::No));
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(DialogTestHook::asked().back().prompt, "Do you want to clear the block(s) 'w' from HOSTS file?");
    EXPECT_EQ(rows(dialog).size(), 2u);
}

// The dialog kit's look: its own title bar, no minimise or maximise; Edit > Blocks... opens it modal.
TEST_F(BlocksDialogTest, OpensFromTheEditMenu) {
    QString opened;
    QTimer::singleShot(50, [&opened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = modal->objectName();
            EXPECT_TRUE(modal->windowFlags() & Qt::FramelessWindowHint);
            EXPECT_TRUE(modal->findChild<QWidget*>("titleBar"));
            modal->findChild<QPushButton*>("btnClose")->click();
        }
    });
    window.findChild<QAction*>("mnuEditBlocks")->trigger();
    EXPECT_EQ(opened, "formBlocks");
}

} // namespace
