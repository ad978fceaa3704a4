#include "platform/clock.h"
#include "platform/disk.h"
#include "platform/random_source.h"
#include "screens/session.h"
#include "widgets/layout.h"

#include <QApplication>
#include <QGuiApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictor"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    // The session decides when the program ends, not the last closed window.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStringLiteral("Fusion"));
    registerFontSubstitutes();

    SteadyClock clock;
    StdRandomSource random;
    PosixDisk disk;
    Session session(clock, random, disk, defaultDataFolder());
    QObject::connect(
        &session, &Session::ended, &app, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
    session.start();
    return QApplication::exec();
}
