#pragma once

// Drives a modal dialog from inside its own event loop: once the dialog is the active modal widget,
// `action` runs with it. If the dialog is still up a while later, it is closed so that a failing test
// ends (with the result of a close) instead of hanging.

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace velmora::test {

inline void whenModalShown(std::function<void(QWidget*)> action, int closeAfterMs = 3000) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    auto remaining = std::make_shared<int>(1000);
    QObject::connect(poll, &QTimer::timeout, [poll, remaining, action, closeAfterMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            if (--*remaining <= 0)
                poll->deleteLater();
            return;
        }
        poll->stop();
        poll->deleteLater();
        QPointer<QWidget> guard = modal;
        action(modal);
        QTimer::singleShot(closeAfterMs, [guard] {
            if (guard && guard->isVisible())
                guard->close();
        });
    });
    poll->start();
}

template <typename T = QWidget> T* child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QLatin1String(name));
}

} // namespace velmora::test
