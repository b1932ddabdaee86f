#include "win32/Win32Application.h"

#include "core/HostsPath.h"
#include "merge/AllowList.h"
#include "platform/Downloader.h"
#include "platform/ProcessRunner.h"
#include "platform/Win32Desktop.h"
#include "platform/WindowsProcessRunner.h"
#include "win32/Win32MainWindow.h"

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

namespace velmora {

void startWin32Session() {
    static const bool started = [] {
        SetProcessDPIAware();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        OleInitialize(nullptr);
        return true;
    }();
    (void)started;
}

int runWin32Window(bool noLoad) {
    startWin32Session();
    Win32MainWindow window(systemFileSystem(), systemEnvironment(), systemWin32Desktop());
    // Web addresses in the list path box are downloaded by the document's merge, which keeps the names
    // of the allowlist out as the command line's does.
    window.document().setDownloader(&systemDownloader());
    // The system HOSTS file that this user may not write is saved by an elevated copy of this program.
    window.document().enableAdministratorSave(systemProcessRunner(), thisProgramPath(),
                                              systemHostsPath(systemEnvironment()));
    AllowList allow;
    const AllowListFile read = loadAllowList(systemFileSystem(), systemEnvironment(), {}, allow);
    window.document().setAllowList(std::move(allow));
    window.onClosed = [] { PostQuitMessage(0); };
    window.start(noLoad);
    if (read.error != 0 || !read.refusal.empty())
        window.document().ui().reportError(
            "The allowlist " + read.path +
            " could not be read: " + (read.refusal.empty() ? systemFileSystem().errorText(read.error) : read.refusal) +
            "; merges keep no names out.");
    tellAllowListProblems(window.document().ui(), read);
    win32::centre(window.handle(), nullptr);
    ShowWindow(window.handle(), SW_SHOW);
    UpdateWindow(window.handle());
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.translate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace velmora
