#include "dialogs/QtUserInterface.h"

#include "dialogs/DisplayText.h"
#include "dialogs/FormProgress.h"
#include "dialogs/vbMsgBox.h"

#include <QApplication>
#include <QPointer>

namespace velmora {

namespace {
// The one progress window; deleted when closed, so the next use starts from the design values.
QPointer<formProgress> g_progress;

formProgress& progressWindow(QWidget* owner) {
    if (!g_progress)
        g_progress = new formProgress(owner);
    return *g_progress;
}

// Lets the window system map and paint the newly shown progress window; user input waits until the
// work ends.
void flushPaint() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
} // namespace

QtUserInterface::QtUserInterface(QWidget* owner) : m_owner(owner) {}

int32_t QtUserInterface::ShowMsgBox(const std::string& prompt, int32_t buttons) {
    return velmora::ShowMsgBox(displayText(prompt), buttons);
}

void QtUserInterface::reportError(const std::string& message) {
    // OK with the critical picture.
    velmora::ShowMsgBox(displayText(message), 16);
}

void QtUserInterface::setProgressTitle(const std::string& title) {
    progressWindow(m_owner).setWindowTitle(QString::fromStdString(title));
}

void QtUserInterface::showProgress() {
    formProgress& window = progressWindow(m_owner);
    window.show();
    window.raise();
    flushPaint();
}

void QtUserInterface::ShowProgress(int32_t inc, int32_t& value, int32_t maxvalue) {
    // The window repaints its bar and label itself; no events are processed while the work runs.
    progressWindow(m_owner).ShowProgress(inc, value, maxvalue);
}

void QtUserInterface::closeProgress() {
    delete g_progress.data();
}

void QtUserInterface::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace velmora
