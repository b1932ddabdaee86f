#include "mainwindow/Application.h"

#include "core/HostsPath.h"
#include "core/PrivilegedSave.h"
#include "dialogs/BackgroundWork.h"
#include "mainwindow/GuardedApplication.h"
#include "mainwindow/MainWindow.h"
#include "merge/AllowList.h"
#include "platform/Downloader.h"
#include "platform/ProcessRunner.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

namespace velmora {

int runWindow(int argc, char** argv, bool noLoad, const std::string& helperFromProgram) {
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    // The desktop entry's name, so that the window finds its icon and menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(VELMORA_APP_ID));
    MainWindow window(systemFileSystem(), systemEnvironment(), systemDesktopServices());
    const std::string privilegedHelper =
        installedHelperPath(QCoreApplication::applicationDirPath().toStdString(), helperFromProgram);
    // The waits for pkexec and for a download go beside the event loop, so that the window never
    // freezes.
    BackgroundProcessRunner runner(systemProcessRunner(), window.userInterface());
    if (!privilegedHelper.empty())
        window.document().enableAdministratorSave(runner, privilegedHelper, systemHostsPath(systemEnvironment()));
    // Web addresses in the list path box are downloaded by the document's merge, which keeps the names
    // of the allowlist out as the command line's does.
    BackgroundDownloader downloader(systemDownloader(), window.userInterface());
    window.document().setDownloader(&downloader);
    AllowList allow;
    const AllowListFile read = loadAllowList(systemFileSystem(), systemEnvironment(), {}, allow);
    window.document().setAllowList(std::move(allow));
    app.tell = [&window](const std::string& message) { window.document().ui().reportError(message); };
    window.start(noLoad);
    if (read.error != 0 || !read.refusal.empty())
        window.document().ui().reportError(
            "The allowlist " + read.path +
            " could not be read: " + (read.refusal.empty() ? systemFileSystem().errorText(read.error) : read.refusal) +
            "; merges keep no names out.");
    tellAllowListProblems(window.document().ui(), read);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return app.exec();
}

} // namespace velmora
