#include "cli/BatchMode.h"
#include "cli/CommandLine.h"
#include "cli/TerminalUserInterface.h"
#include "document/HostsDocument.h"
#include "platform/Downloader.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"

#ifdef _WIN32
#include "core/PrivilegedSave.h"
#include "helper/WindowsElevatedSave.h"

#include <string_view>
#endif

#if VELMORA_GUI
#include "dialogs/QtUserInterface.h"
#include "mainwindow/Application.h"
#include "platform/DesktopServices.h"

#include <QApplication>
#endif

#if VELMORA_WIN32_WINDOW
#include "platform/Win32Desktop.h"
#include "platform/WindowsConsole.h"
#include "win32/Win32Application.h"
#include "win32/Win32UserInterface.h"
#endif

#ifdef VELMORA_WINDOW_FROM_PROGRAM
#include "platform/PosixProcessRunner.h"

#include <cstring>
#include <filesystem>
#endif

#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

namespace {

#ifdef VELMORA_WINDOW_FROM_PROGRAM
// The window, and the dialogs of a batch run on a desktop, are another program's (velmora-window), so
// that this one loads no GUI library: that program is started in this one's place, with the same
// arguments. It is installed beside the helper, or in a build tree beside this program. Returns only
// when it could not be started.
int runWindowProgram(int argc, char** argv) {
    const std::filesystem::path folder = velmora::thisProgramFolder();
    const std::filesystem::path installed = (folder / VELMORA_WINDOW_FROM_PROGRAM).lexically_normal();
    const std::vector<std::string> arguments = velmora::programArguments(argc, argv);
    int error = ENOENT;
    if (!folder.empty()) {
        error = velmora::replaceThisProcess(installed.string(), arguments);
        if (error == ENOENT)
            velmora::replaceThisProcess((folder / VELMORA_WINDOW_NAME).string(), arguments);
    }
    std::cerr << "velmora: the window cannot open: " << installed.string() << ": " << std::strerror(error) << std::endl;
    return velmora::kExitFailed;
}
#endif

#if VELMORA_GUI
// The dialogs of a batch run with a display. A failed save is also written to standard error, so
// that the script that started the run can tell what went wrong.
class BatchDialogs : public velmora::QtUserInterface {
public:
    using QtUserInterface::QtUserInterface;
    void reportError(const std::string& message) override {
        std::cerr << "velmora: " << message << std::endl;
        QtUserInterface::reportError(message);
    }
};
#endif

// Runs a batch mode: with the dialogs when a display can be used, otherwise on the terminal without
// starting the GUI toolkit at all.
int runBatch([[maybe_unused]] int argc, [[maybe_unused]] char** argv, const velmora::CommandLine& command) {
#ifdef VELMORA_WINDOW_FROM_PROGRAM
    if (velmora::systemEnvironment().displayAvailable())
        return runWindowProgram(argc, argv);
#endif
    const bool escapes = velmora::prepareStandardStreams();
    velmora::FileSystem& files = velmora::systemFileSystem();
    velmora::Environment& environment = velmora::systemEnvironment();
#if VELMORA_GUI
    if (environment.displayAvailable()) {
        QApplication application(argc, argv);
        BatchDialogs ui(velmora::systemDesktopServices());
        velmora::HostsDocument document(files, environment, ui);
        document.setDownloader(&velmora::systemDownloader());
        return velmora::runBatchMode(command, document, std::cout, std::cerr);
    }
#endif
#if VELMORA_WIN32_WINDOW
    // The classic switches are the desktop's (a shortcut, the Run box): they ask with Velmora's own
    // message box. The option form is for consoles and scripts, which a box would hold up.
    if (command.form == velmora::CommandForm::Classic && environment.displayAvailable()) {
        velmora::startWin32Session();
        velmora::Win32BatchDialogs ui(velmora::systemWin32Desktop(), std::cerr);
        velmora::HostsDocument document(files, environment, ui);
        document.setDownloader(&velmora::systemDownloader());
        return velmora::runBatchMode(command, document, std::cout, std::cerr);
    }
#endif
    velmora::TerminalUserInterface ui(std::cin, std::cerr, environment.isTerminal(0), environment.isTerminal(2));
    ui.setEscapeSequences(escapes);
    velmora::HostsDocument document(files, environment, ui);
    document.setDownloader(&velmora::systemDownloader());
    return velmora::runBatchMode(command, document, std::cout, std::cerr);
}

// A batch run that ends in an exception (std::bad_alloc on a list too large for memory) has saved
// nothing: a save replaces the file only once it is whole. Told, not left to abort the program.
template <typename Run> int runGuarded(Run run) {
    try {
        return run();
    } catch (const std::bad_alloc&) {
        std::cerr << "velmora: Velmora ran out of memory; nothing was saved, and the HOSTS file is as it was."
                  << std::endl;
    } catch (const std::exception& error) {
        std::cerr << "velmora: internal error (" << error.what()
                  << "); nothing was saved, and the HOSTS file is as it was." << std::endl;
    }
    return velmora::kExitFailed;
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The copy of itself that saving as administrator starts through the UAC prompt; no user types this.
    if (argc > 1 && std::string_view(argv[1]) == velmora::kElevatedSaveSwitch) {
        const std::vector<std::string> arguments = velmora::programArguments(argc, argv);
        return velmora::runElevatedSaveOfThisSystem(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    }
#endif
    const velmora::CommandLine command = velmora::parseCommandLine(velmora::programArguments(argc, argv));
#if VELMORA_WIN32_WINDOW
    // Started from a console for anything but the window, the desktop's velmora.exe writes there too.
    if (command.mode != velmora::RunMode::Window)
        velmora::useParentConsole();
#endif
    switch (command.mode) {
    case velmora::RunMode::Help:
        std::cout << velmora::usageText();
        return velmora::kExitDone;
    case velmora::RunMode::Version:
        std::cout << "velmora " VELMORA_VERSION "\n";
        return velmora::kExitDone;
    case velmora::RunMode::Mistake:
        std::cerr << "velmora: " << command.mistake << " (see velmora --help)" << std::endl;
        return velmora::kExitUsage;
    case velmora::RunMode::Add:
    case velmora::RunMode::RemoveAll:
    case velmora::RunMode::Remove:
    case velmora::RunMode::Update:
    case velmora::RunMode::Blocks:
    case velmora::RunMode::Restore:
    case velmora::RunMode::Disable:
    case velmora::RunMode::Enable:
        return runGuarded([&] { return runBatch(argc, argv, command); });
    case velmora::RunMode::Window:
        break;
    }
#if VELMORA_GUI || defined(VELMORA_WINDOW_FROM_PROGRAM)
    if (!velmora::systemEnvironment().displayAvailable()) {
        std::cerr << "velmora: no display available; the window cannot open. Without a display use the command "
                     "line, e.g. velmora --add FILE, --remove NAME or --removeall (see velmora --help)."
                  << std::endl;
        return velmora::kExitFailed;
    }
#endif
#ifdef VELMORA_WINDOW_FROM_PROGRAM
    return runWindowProgram(argc, argv);
#elif VELMORA_GUI
#ifdef VELMORA_HELPER_FROM_PROGRAM
    return velmora::runWindow(argc, argv, command.noLoad, VELMORA_HELPER_FROM_PROGRAM);
#else
    return velmora::runWindow(argc, argv, command.noLoad, {});
#endif
#elif VELMORA_WIN32_WINDOW
    return velmora::runWin32Window(command.noLoad);
#else
    std::cerr << "velmora: the window is not part of this build; use the command line, e.g. velmora --add FILE, "
                 "--remove NAME or --removeall (see velmora --help)."
              << std::endl;
    return velmora::kExitFailed;
#endif
}
