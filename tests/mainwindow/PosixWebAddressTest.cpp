// The window's list path box takes a web address: Enter downloads it (from a server the test starts on
// 127.0.0.1) and merges it; one that gives no list says why and merges nothing.
#include "dialogs/DialogTestHook.h"
#include "mainwindow/MainWindow.h"
#include "platform/FakeDesktopServices.h"
#include "platform/FakeEnvironment.h"
#include "platform/FakeFileSystem.h"
#include "support/Lines.h"
#include "support/PosixHttpServer.h"
#include "support/TempDir.h"

#include <QtTest>
#include <QtWidgets>
#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::test;

TEST(WindowWebAddress, EnterDownloadsAndMerges) {
    LocalHttpServer server([](const HttpRequest& request) {
        return request.path == "/list" ? HttpReply{200, "OK", {}, "ads.example\n", true, false}
                                       : HttpReply{404, "Not Found", {}, "", true, false};
    });
    TempDir dir;
    FakeFileSystem files;
    FakeEnvironment environment;
    FakeDesktopServices desktop;
    environment.variables["VELMORA_HOSTS"] = dir.file("hosts");
    environment.variables["XDG_CACHE_HOME"] = dir.file("cache");
    writeFile(dir.file("hosts"), "127.0.0.1 localhost\n");
    DialogTestHook::reset();
    QTimer modalGuard;
    QObject::connect(&modalGuard, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ADD_FAILURE() << "unanswered dialog: " << modal->windowTitle().toStdString();
            modal->close();
        }
    });
    modalGuard.start(50);
    MainWindow window(files, environment, desktop);
    window.document().setDownloader(&systemDownloader());
    window.start(false);
    auto* source = window.findChild<QLineEdit*>(QStringLiteral("txtHOSTS(0)"));
    ASSERT_TRUE(source);

    source->setText(QString::fromStdString(server.address("/missing")));
    DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::Ok));
    QTest::keyClick(source, Qt::Key_Return);
    EXPECT_FALSE(DialogTestHook::active()) << "the failure was shown";
    EXPECT_EQ(linesOf(window.document().lines()), Lines{"127.0.0.1 localhost"});

    source->setText(QString::fromStdString(server.address("/list")));
    QTest::keyClick(source, Qt::Key_Return);
    EXPECT_EQ(linesOf(window.document().lines()), (Lines{"127.0.0.1 localhost", "127.0.0.1 ads.example"}));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblHOSTS1"))->text(), QStringLiteral("1 items"));
}
