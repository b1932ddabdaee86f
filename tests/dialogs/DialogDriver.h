#pragma once

// Drives a modal dialog from inside its own event loop; the fixture shared by the dialog tests.

#include "dialogs/DialogTestHook.h"
#include "platform/FakeDesktopServices.h"

#include <QTest>
#include <QtWidgets>
#include <gtest/gtest.h>

#include <functional>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace velmora::test {

inline const QString kPictures = QStringLiteral(VELMORA_TEST_DATA "/../../resources/icons");

// Runs `action` once a modal dialog is up (polling for 5 s at most). A dialog still up `closeAfterMs`
// later is closed, so that a failing test ends with the result of a close instead of hanging.
inline void whenModalShown(std::function<void(QWidget*)> action, int closeAfterMs = 3000) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, action, closeAfterMs, polls = 0]() mutable {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        const bool up = modal && modal->isVisible();
        if (!up && ++polls < 1000)
            return;
        poll->stop();
        poll->deleteLater();
        if (up)
            action(modal);
        QTimer::singleShot(closeAfterMs, [modal] {
            if (modal && modal->isVisible())
                modal->close();
        });
    });
    poll->start(5);
}

// The fake desktop records sounds and topmost calls; no hook answer leaks between tests.
class DialogTest : public testing::Test {
protected:
    void SetUp() override {
        [[maybe_unused]] static const bool pictures = (QDir::addSearchPath("velmora-pictures", kPictures), true);
        DialogTestHook::reset();
    }
    void TearDown() override { DialogTestHook::reset(); }
    FakeDesktopServices m_desktop;
};

} // namespace velmora::test
