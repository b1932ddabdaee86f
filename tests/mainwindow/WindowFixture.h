#pragma once

// A main window on the fake platform with the HOSTS path in a temporary folder. The dialog hook is
// reset around each test, and a real modal dialog (a question no test answered) fails the test.

#include "core/ListOperations.h"
#include "dialogs/DialogTestHook.h"
#include "mainwindow/EntryListView.h"
#include "mainwindow/GraphicalButton.h"
#include "mainwindow/formVelmora.h"
#include "platform/FakePlatform.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace velmora::test {

using Lines = std::vector<std::string>;
using Rows = std::vector<int32_t>;

inline Lines linesOf(const EntryList& list) {
    Lines out;
    for (int32_t i = 0; i < list.count(); ++i)
        out.push_back(list.itemText(i));
    return out;
}

inline void fill(EntryList& list, const Lines& lines) {
    list.clear();
    for (const std::string& line : lines)
        list.addItemText(line);
}

class WindowTest : public ::testing::Test {
protected:
    WindowTest() {
        platform.env["VELMORA_HOSTS"] = hostsPath;
        DialogTestHook::reset();
        window = std::make_unique<formVelmora>(platform);
        QObject::connect(&modalGuard, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "unanswered dialog: " << modal->windowTitle().toStdString();
                modal->close();
            }
        });
        modalGuard.start(50);
    }

    ~WindowTest() override { EXPECT_FALSE(DialogTestHook::active()) << "a queued answer was not asked for"; }

    HostsSession& session() { return window->session(); }
    EntryList& hosts() { return window->session().lstHOSTS; }

    QWidget* control(const char* name) { return window->findChild<QWidget*>(QLatin1String(name)); }

    // Shows the window, makes it the active one and gives `focus` the keyboard focus.
    void showWith(QWidget* focus) {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        focus->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), focus);
    }

    void select(const Rows& rows) {
        ListItemUnSelectAll(hosts());
        for (int32_t i : rows)
            SetListItemSelected(hosts(), i, 1);
    }

    Rows selectedLines() {
        Rows out;
        for (int32_t i = 0; i < hosts().count(); ++i)
            if (ListItemSelected(hosts(), i) > 0)
                out.push_back(i);
        return out;
    }

    TempDir dir;
    std::string hostsPath = dir.file("hosts");
    FakePlatform platform;
    std::unique_ptr<formVelmora> window;
    QTimer modalGuard;
};

} // namespace velmora::test
