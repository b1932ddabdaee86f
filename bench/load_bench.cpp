// Loading a large HOSTS file: into the document alone, then into the window (offscreen) until it
// shows the list, with the ratio of the two; and until the view has laid out its last row (the rows
// below the first screenfuls are laid out after the list shows). Usage: load_bench FILE
#include "BenchSupport.h"
#include "document/HostsDocument.h"
#include "mainwindow/MainWindow.h"

#include <QApplication>
#include <QListView>

#include <cstdio>

using namespace velmora;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: load_bench FILE\n");
        return 2;
    }
    const std::string path = argv[1];
    bench::QuietUserInterface quiet;
    HostsDocument document(systemFileSystem(), systemEnvironment(), quiet);
    const double coreMs = bench::bestOf(3, [&] { document.load(path); });
    const int lines = document.lines().count();

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MainWindow window(systemFileSystem(), systemEnvironment(), systemDesktopServices());
    window.show();
    QApplication::processEvents();
    const double windowMs = bench::bestOf(3, [&] {
        window.document().load(path);
        QApplication::processEvents();
    });
    auto* view = window.findChild<QListView*>(QStringLiteral("lstHOSTS"));
    const double laidOutMs = bench::bestOf(3, [&] {
        window.document().load(path);
        const QModelIndex last = view->model()->index(view->model()->rowCount() - 1, 0);
        do
            QApplication::processEvents();
        while (view->visualRect(last).isEmpty());
    });
    std::printf("load %d lines: document %.1f ms, window %.1f ms, window/document %.2f; last row laid out %.1f ms\n",
                lines, coreMs, windowMs, windowMs / coreMs, laidOutMs);
    return 0;
}
