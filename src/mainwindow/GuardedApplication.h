#pragma once

#include <QApplication>

#include <functional>
#include <string>

namespace velmora {

// The window program's application. No exception may cross Qt's event loop: one that reaches it (the
// window's own operations catch and roll back theirs) is told through `tell`, and the window goes on,
// with its lines still there to save.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    std::function<void(const std::string&)> tell;

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void told(const std::string& what);
};

} // namespace velmora
