#include "dialogs/QtUserInterface.h"

#include "core/TextUtil.h"
#include "dialogs/DisplayText.h"
#include "dialogs/InputBox.h"
#include "dialogs/MessageBox.h"
#include "dialogs/ProgressWindow.h"
#include "platform/DesktopServices.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <exception>
#include <thread>

namespace velmora {

namespace {

// How often work on another thread is looked at: often enough for a bar that moves smoothly.
constexpr int kTickMs = 40;

int16_t showPlainMessage(const std::string& text, int32_t style, DesktopServices& desktop) {
    MessageBoxRequest request;
    request.prompt = displayText(text);
    request.style = style;
    return showMessageBox(request, desktop);
}

} // namespace

QtUserInterface::QtUserInterface(DesktopServices& desktop, QWidget* owner) : m_desktop(desktop), m_owner(owner) {}

QtUserInterface::~QtUserInterface() {
    delete m_progressWindow.data();
}

Answer QtUserInterface::ask(const std::string& question, int32_t style) {
    return static_cast<Answer>(showPlainMessage(question, style, m_desktop));
}

void QtUserInterface::notify(const std::string& message) {
    showPlainMessage(message, MessageStyle::Information, m_desktop);
}

void QtUserInterface::reportError(const std::string& message) {
    showPlainMessage(message, MessageStyle::Critical, m_desktop);
}

std::string QtUserInterface::askText(const std::string& prompt, const std::string& title, const std::string& suggestion,
                                     bool withPicture) {
    InputBoxRequest request;
    request.prompt = displayText(prompt);
    request.title = displayText(title);
    request.suggestion = displayText(suggestion);
    request.picture = withPicture ? DialogPicture::Note : DialogPicture::None;
    return bytesFromUser(showInputBox(request, m_desktop));
}

std::string QtUserInterface::chooseSaveFile(const std::string& suggestedPath) {
    FileDialogRequest request;
    request.owner = m_owner;
    request.title = "Save HOSTS";
    request.filter = "Host File";
    const SaveSuggestion suggestion = saveSuggestion(suggestedPath);
    request.initialPath = suggestion.folder;
    request.initialName = suggestion.name;
    return m_desktop.chooseSaveFile(request);
}

ProgressSink& QtUserInterface::progress() {
    return *this;
}

void QtUserInterface::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtUserInterface::waitBeside(const std::function<void()>& work, const std::function<void()>& tick) {
    if (m_progressWindow)
        m_progressWindow->holdInput();
    QEventLoop loop;
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    QTimer timer;
    timer.setInterval(kTickMs);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (tick)
            tick();
        if (done.load())
            loop.quit();
    });
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true);
    });
    timer.start();
    loop.exec();
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

void QtUserInterface::showReceived(uint64_t received, uint64_t total) {
    if (m_progressWindow)
        m_progressWindow->showReceived(received, total);
}

ProgressWindow& QtUserInterface::progressWindow() {
    if (!m_progressWindow)
        m_progressWindow = new ProgressWindow(m_owner);
    return *m_progressWindow;
}

void QtUserInterface::setTitle(const std::string& title) {
    progressWindow().setWindowTitle(QString::fromStdString(title));
}

void QtUserInterface::show() {
    // Painted before the work goes on: user input waits until it ends (or goes to a Cancel).
    if (!m_progressWindow || !m_progressWindow->isVisible())
        m_activeBefore = QApplication::activeWindow();
    progressWindow().showPainted();
}

void QtUserInterface::step(int32_t increment, int32_t& value, int32_t maximum) {
    // The window repaints its bar and label itself; no events are processed while the work runs.
    progressWindow().step(increment, value, maximum);
}

void QtUserInterface::offerCancel(std::atomic<bool>& cancel) {
    progressWindow().offerCancel(&cancel);
}

void QtUserInterface::idle() {
    if (m_progressWindow)
        m_progressWindow->takeUserInput();
}

int32_t QtUserInterface::quietUntil(int32_t value, int32_t maximum) const {
    return m_progressWindow ? m_progressWindow->quietUntil(value, maximum) : value;
}

void QtUserInterface::close() {
    // Deleted rather than hidden, so that the next operation starts with a fresh window.
    delete m_progressWindow.data();
    // Without this the keyboard would stay with nobody: Ctrl+Z in the Blocks dialog after an update
    // went nowhere.
    if (m_activeBefore && m_activeBefore->isVisible())
        m_activeBefore->activateWindow();
    m_activeBefore = nullptr;
}

} // namespace velmora
