#include "mainwindow/Application.h"

#include "core/HostsPath.h"
#include "core/PrivilegedSave.h"
#include "dialogs/BackgroundWork.h"
#include "mainwindow/MainWindow.h"
#include "merge/AllowList.h"
#include "platform/Downloader.h"
#include "platform/ProcessRunner.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include <exception>
#include <functional>
#include <new>

namespace velmora {

namespace {

// No exception may cross Qt's event loop: one that reaches it (the window's own operations catch and
// roll back theirs) is told, and the window goes on, with its lines still there to save.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    std::function<void(const std::string&)> tell;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::bad_alloc&) {
            told("Velmora ran out of memory while it was drawing or handling input");
        } catch (const std::exception& error) {
            told(std::string("Velmora met an internal error (") + error.what() + ")");
        } catch (...) {
            told("Velmora met an internal error");
        }
        return false;
    }

private:
    void told(const std::string& what) {
        if (tell)
            tell(what + ". The list is still there: save it (to another file if need be) before you go on.");
    }
};

} // namespace

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
