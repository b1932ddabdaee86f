#include "platform/QtDesktopServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

#ifdef _WIN32
#include <mmsystem.h>
#include <shellapi.h>
#include <windows.h>
#elif defined(VELMORA_HAVE_CANBERRA)
#include <canberra.h>
#endif

namespace velmora {

namespace {

QString fromBytes(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

std::string toBytes(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

// "desc|pattern|desc|pattern" as Qt name filters; a description without a pattern lists every file.
QStringList nameFilters(const std::string& filter) {
    const QStringList parts = fromBytes(filter).split(u'|', Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString pattern = i + 1 < parts.size() ? parts[i + 1] : QStringLiteral("*");
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(parts[i], pattern.replace(u';', u' '));
    }
    if (filters.isEmpty())
        filters << QStringLiteral("All files (*)");
    return filters;
}

// Runs a program detached with an argument list; no shell sees the arguments.
void startDetached(const QString& program, const QStringList& arguments) {
    const QString found = QStandardPaths::findExecutable(program);
    if (!found.isEmpty())
        QProcess::startDetached(found, arguments);
}

// An absolute path, so that a name beginning with "-" can never be taken for an option.
QString absolute(const std::string& path) {
    if (path.empty())
        return {};
    return QFileInfo(fromBytes(path)).absoluteFilePath();
}

std::string chooseFile(const FileDialogRequest& request, bool save) {
    QWidget* owner = request.owner;
    QFileDialog dialog(owner, fromBytes(request.title));
    dialog.setNameFilters(nameFilters(request.filter));
    const QFileInfo start(fromBytes(request.initialPath));
    if (!request.initialPath.empty())
        dialog.setDirectory(start.isDir() ? start.absoluteFilePath() : start.absolutePath());
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.initialName.empty())
            dialog.selectFile(fromBytes(request.initialName));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    dialog.setWindowModality(Qt::WindowModal);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const QString chosen = dialog.selectedFiles().constFirst();
        if (save && !QFileInfo::exists(chosen)) {
            // The dialog asks before replacing a file; creating one is confirmed here.
            const auto answer = QMessageBox::question(
                owner, dialog.windowTitle(),
                QStringLiteral("%1 does not exist.\nDo you want to create it?").arg(QDir::toNativeSeparators(chosen)));
            if (answer != QMessageBox::Yes)
                continue;
        }
        return toBytes(chosen);
    }
}

#ifndef _WIN32
// The freedesktop sound-theme event for a system sound name; empty for an unknown name.
const char* soundThemeEvent(const std::string& eventName) {
    if (eventName == "SystemAsterisk")
        return "dialog-information";
    if (eventName == "SystemExclamation")
        return "dialog-warning";
    if (eventName == "SystemHand")
        return "dialog-error";
    if (eventName == "SystemQuestion")
        return "dialog-question";
    return "";
}
#endif

} // namespace

std::string QtDesktopServices::chooseOpenFile(const FileDialogRequest& request) {
    return chooseFile(request, false);
}

std::string QtDesktopServices::chooseSaveFile(const FileDialogRequest& request) {
    return chooseFile(request, true);
}

void QtDesktopServices::openInTextEditor(const std::string& path) {
#ifdef _WIN32
    // Notepad with the path as its one parameter, as typed (no quotes added).
    ShellExecuteA(nullptr, nullptr, "notepad.exe", path.c_str(), nullptr, SW_SHOWNORMAL);
#else
    // The desktop's default application for the file; xdg-open decides by the file's type, which for
    // a HOSTS file or a block list is plain text.
    startDetached(QStringLiteral("xdg-open"), {absolute(path)});
#endif
}

void QtDesktopServices::openFolder(const std::string& path) {
#ifdef _WIN32
    ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
#else
    if (path.empty())
        return;
    startDetached(QStringLiteral("xdg-open"), {absolute(path)});
#endif
}

void QtDesktopServices::openAddress(const std::string& address) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void QtDesktopServices::playSound(const std::string& eventName) {
#ifdef _WIN32
    // A named system sound event, played without waiting.
    PlaySoundA(eventName.c_str(), reinterpret_cast<HMODULE>(1), SND_ASYNC);
#else
    const char* event = soundThemeEvent(eventName);
#ifdef VELMORA_HAVE_CANBERRA
    static ca_context* context = [] {
        ca_context* c = nullptr;
        if (ca_context_create(&c) != CA_SUCCESS)
            return static_cast<ca_context*>(nullptr);
        return c;
    }();
    // ca_context_play returns at once; the sound plays in the background.
    if (context && *event && ca_context_play(context, 0, CA_PROP_EVENT_ID, event, nullptr) == CA_SUCCESS)
        return;
#else
    (void)event;
#endif
    if (qApp)
        QApplication::beep();
#endif
}

void QtDesktopServices::makeTopmost(QWidget* window) {
    if (window)
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

DesktopServices& systemDesktopServices() {
    static QtDesktopServices services;
    return services;
}

} // namespace velmora
