// Shows the main window on a sandbox HOSTS file after a merge of a source list, then saves a picture
// of the screen area that the window covers. Made for scripts/screenshot.sh, which runs it on Xvfb.
//   VELMORA_HOSTS=SANDBOX/hosts window_screenshot SOURCE_LIST OUTPUT.png PICTURES_DIR
// PICTURES_DIR is the source tree's resources/icons (the built-in resources belong to the program).
// Refuses to run without VELMORA_HOSTS, so the system's HOSTS file is never read.

#include "mainwindow/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4 || !std::getenv("VELMORA_HOSTS")) {
        std::fprintf(stderr, "usage: VELMORA_HOSTS=SANDBOX/hosts %s SOURCE_LIST OUTPUT.png PICTURES_DIR\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QDir::addSearchPath(QStringLiteral("velmora-pictures"), QString::fromLocal8Bit(argv[3]));
    velmora::MainWindow window(velmora::systemFileSystem(), velmora::systemEnvironment(),
                               velmora::systemDesktopServices());
    window.start(false);
    window.document().setSourcePath(argv[1]);
    window.document().merge();
    QScreen* screen = QGuiApplication::primaryScreen();
    window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    window.activateWindow();
    int status = 1;
    QTimer::singleShot(1500, &app, [&] {
        const QRect area = window.frameGeometry();
        const QPixmap picture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        status = picture.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
        std::printf("%s: %dx%d at %.0f dpi\n", argv[2], picture.width(), picture.height(),
                    screen->logicalDotsPerInch());
        app.quit();
    });
    app.exec();
    return status;
}
