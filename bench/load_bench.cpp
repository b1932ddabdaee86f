// Loading a large HOSTS file: into the document alone, then into the window (offscreen), with the
// ratio of the two. Usage: load_bench FILE
#include "BenchSupport.h"
#include "document/HostsDocument.h"
#include "mainwindow/MainWindow.h"

#include <QApplication>

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
    std::printf("load %d lines: document %.1f ms, window %.1f ms, window/document %.2f\n", lines, coreMs, windowMs,
                windowMs / coreMs);
    return 0;
}
