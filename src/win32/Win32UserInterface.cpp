#include "win32/Win32UserInterface.h"

#include "core/DialogPicture.h"
#include "core/TextUtil.h"
#include "platform/Win32Desktop.h"
#include "win32/Win32InputBox.h"
#include "win32/Win32Look.h"
#include "win32/Win32MessageBox.h"
#include "win32/Win32ProgressWindow.h"

#include <ostream>

namespace velmora {

namespace {

int16_t showPlainMessage(const std::string& text, int32_t style, Win32Desktop& desktop) {
    Win32MessageBoxRequest request;
    request.prompt = win32::screenText(text);
    request.style = style;
    return showWin32MessageBox(request, desktop);
}

} // namespace

Win32UserInterface::Win32UserInterface(Win32Desktop& desktop, HWND owner) : m_desktop(desktop), m_owner(owner) {}

Win32UserInterface::~Win32UserInterface() = default;

Answer Win32UserInterface::ask(const std::string& question, int32_t style) {
    return static_cast<Answer>(showPlainMessage(question, style, m_desktop));
}

void Win32UserInterface::notify(const std::string& message) {
    showPlainMessage(message, MessageStyle::Information, m_desktop);
}

void Win32UserInterface::reportError(const std::string& message) {
    showPlainMessage(message, MessageStyle::Critical, m_desktop);
}

std::string Win32UserInterface::askText(const std::string& prompt, const std::string& title,
                                        const std::string& suggestion, bool withPicture) {
    Win32InputBoxRequest request;
    request.prompt = win32::screenText(prompt);
    request.title = win32::screenText(title);
    request.suggestion = win32::screenText(suggestion);
    request.picture = withPicture ? DialogPicture::Note : DialogPicture::None;
    return win32::utf8(showWin32InputBox(request, m_desktop));
}

std::string Win32UserInterface::chooseSaveFile(const std::string& suggestedPath) {
    Win32FileDialogRequest request;
    request.owner = m_owner;
    request.title = "Save HOSTS";
    request.filter = "Host File";
    const SaveSuggestion suggestion = saveSuggestion(suggestedPath);
    request.initialPath = suggestion.folder;
    request.initialName = suggestion.name;
    return m_desktop.chooseSaveFile(request);
}

ProgressSink& Win32UserInterface::progress() {
    return *this;
}

void Win32UserInterface::setBusy(bool busy) {
    m_busy += busy ? 1 : -1;
    // The pointer changes at once; the windows keep it while the work holds the message loop.
    SetCursor(LoadCursorW(nullptr, isBusy() ? IDC_WAIT : IDC_ARROW));
}

Win32ProgressWindow& Win32UserInterface::window() {
    if (!m_progressWindow)
        m_progressWindow = std::make_unique<Win32ProgressWindow>(m_owner);
    return *m_progressWindow;
}

void Win32UserInterface::setTitle(const std::string& title) {
    window().setTitle(win32::screenText(title));
}

void Win32UserInterface::show() {
    window().show();
}

void Win32UserInterface::step(int32_t increment, int32_t& value, int32_t maximum) {
    window().step(increment, value, maximum);
}

int32_t Win32UserInterface::quietUntil(int32_t value, int32_t maximum) const {
    return m_progressWindow ? m_progressWindow->quietUntil(value, maximum) : value;
}

void Win32UserInterface::close() {
    // Destroyed rather than hidden, so that the next operation starts with a fresh window.
    m_progressWindow.reset();
}

Win32BatchDialogs::Win32BatchDialogs(Win32Desktop& desktop, std::ostream& errors)
    : Win32UserInterface(desktop), m_errors(errors) {}

void Win32BatchDialogs::reportError(const std::string& message) {
    m_errors << "velmora: " << message << std::endl;
    Win32UserInterface::reportError(message);
}

} // namespace velmora
