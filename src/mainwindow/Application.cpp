#include "mainwindow/Application.h"

#include "mainwindow/formVelmora.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

namespace velmora {

int runWindow(int argc, char** argv, bool noLoad) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    formVelmora window(systemPlatform());
    window.Form_Load(noLoad);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return app.exec();
}

} // namespace velmora
