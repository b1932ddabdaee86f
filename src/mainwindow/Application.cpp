#include "mainwindow/Application.h"

#include "mainwindow/MainWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

namespace velmora {

int runWindow(int argc, char** argv, bool noLoad) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    MainWindow window(systemFileSystem(), systemEnvironment(), systemDesktopServices());
    window.start(noLoad);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return app.exec();
}

} // namespace velmora
