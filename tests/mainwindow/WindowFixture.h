#pragma once

// A main window on fake platform services with the HOSTS path in a temporary folder. The dialog hook
// is reset around each test, and a real modal dialog (a question no test answered) fails the test.

#include "dialogs/DialogTestHook.h"
#include "mainwindow/EntryListView.h"
#include "mainwindow/MainWindow.h"
#include "platform/FakeDesktopServices.h"
#include "platform/FakeEnvironment.h"
#include "platform/FakeFileSystem.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace velmora::test {

using Rows = std::vector<int32_t>;

class WindowTest : public ::testing::Test {
protected:
    WindowTest() {
        environment.variables["VELMORA_HOSTS"] = hostsPath;
        DialogTestHook::reset();
        window = std::make_unique<MainWindow>(files, environment, desktop);
        QObject::connect(&modalGuard, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "unanswered dialog: " << modal->windowTitle().toStdString();
                modal->close();
            }
        });
        modalGuard.start(50);
    }
    ~WindowTest() override { EXPECT_FALSE(DialogTestHook::active()) << "a queued answer was not asked for"; }

    HostsDocument& document() { return window->document(); }
    template <typename T = QWidget> T* control(const char* name) {
        T* found = window->findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
    EntryListView* lines() { return control<EntryListView>("lstHOSTS"); }
    // The window as started on a HOSTS file of these lines.
    void startWith(const Lines& hostsLines) {
        std::string bytes;
        for (const std::string& line : hostsLines)
            bytes += line + "\n";
        writeFile(hostsPath, bytes);
        window->start(false);
    }
    // Shows the window, makes it the active one and gives `focus` the keyboard focus.
    void showWith(QWidget* focus) {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        focus->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), focus);
    }
    Rows selectedLines() {
        Rows rows;
        for (int32_t i = 0; i < document().lines().count(); ++i)
            if (document().selection().isSelected(i))
                rows.push_back(i);
        return rows;
    }

    TempDir dir;
    std::string hostsPath = dir.file("hosts");
    FakeFileSystem files;
    FakeEnvironment environment;
    FakeDesktopServices desktop;
    std::unique_ptr<MainWindow> window;
    QTimer modalGuard;
};

} // namespace velmora::test
