#pragma once

// A main window on the fake platform for widget tests, with the HOSTS path in a temporary folder, the
// dialog kit's next-answer hook reset around each test, and a guard that fails the test and closes
// any real modal dialog that opens (a question the test did not answer).

#include "core/ListOperations.h"
#include "dialogs/DialogTestHook.h"
#include "dialogs/FormProgress.h"
#include "mainwindow/EntryListView.h"
#include "mainwindow/GraphicalButton.h"
#include "mainwindow/formVelmora.h"
#include "platform/FakePlatform.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace velmora::test {

using Lines = std::vector<std::string>;

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

// Records the titles under which the progress window is shown.
class ProgressWatch : public QObject {
public:
    ProgressWatch() { qApp->installEventFilter(this); }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }
    std::vector<std::string> shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* window = qobject_cast<formProgress*>(watched))
                shown.push_back(window->windowTitle().toStdString());
        }
        return false;
    }
};

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The pictures of the source tree; the built-in resources belong to the program.
        QDir::addSearchPath(QStringLiteral("velmora-pictures"),
                            QStringLiteral(VELMORA_TEST_DATA "/../../resources/icons"));
    }

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

    ~WindowTest() override {
        modalGuard.stop();
        EXPECT_FALSE(DialogTestHook::active()) << "a queued answer was not asked for";
        window->session().bChanged = false;
        window.reset();
        DialogTestHook::reset();
    }

    HostsSession& session() { return window->session(); }

    template <typename T = QWidget> T* control(const char* name) {
        T* found = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
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

    // Selects exactly the given lines of the HOSTS list.
    void select(const std::vector<int32_t>& indexes) {
        ListItemUnSelectAll(session().lstHOSTS);
        for (int32_t i : indexes)
            SetListItemSelected(session().lstHOSTS, i, 1);
    }

    std::vector<int32_t> selectedLines() {
        std::vector<int32_t> out;
        for (int32_t i = 0; i < session().lstHOSTS.count(); ++i) {
            if (ListItemSelected(session().lstHOSTS, i) > 0)
                out.push_back(i);
        }
        return out;
    }

    TempDir dir;
    std::string hostsPath = dir.file("hosts");
    FakePlatform platform;
    std::unique_ptr<formVelmora> window;
    QTimer modalGuard;
};

} // namespace velmora::test
