#include "core/version.h"
#include "platform/clock.h"
#include "platform/disk.h"
#include "platform/random_source.h"
#include "screens/session.h"
#include "widgets/layout.h"

#include <QApplication>
#include <QGuiApplication>

#include <csignal>

int main(int argc, char* argv[]) {
    // A file grown past the process's size limit fails its write (EFBIG),
    // which the data files report and undo like a full disk, instead of
    // killing the program in the middle of a line.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictor"));
    QApplication::setApplicationVersion(QString::fromLatin1(kPictorVersion));
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
