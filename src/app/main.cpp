#include "core/lab_options.h"
#include "core/version.h"
#include "platform/clock.h"
#include "platform/disk.h"
#include "platform/display_system.h"
#include "platform/presentation.h"
#include "platform/random_source.h"
#include "screens/session.h"
#include "widgets/layout.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr char kUsage[] =
    "Usage: pictor [--backdrop[=COLOUR]] [--screen NAME|NUMBER]\n"
    "       pictor --help | --version\n"
    "Runs one experimental session in empirical visual aesthetics: the experimenter sets it\n"
    "up on the setup screen; the subject makes and rates pictures (Make Art) or rates the\n"
    "pictures made earlier again (Judge Art). The data files go to the folder chosen there.\n"
    "  --backdrop[=COLOUR]   cover the desktop and other programs during the session\n"
    "                        (default the main screen's grey, #808080)\n"
    "  --screen NAME|NUMBER  show the windows on that screen (numbers from 0)\n"
    "See pictor(1); pictor-data(1) reads the data files.\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered without a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    LabOptions options;
    QString problem;
    switch (readCommandLine(arguments, &options, &problem)) {
    case CommandAction::Help: std::fputs(kUsage, stdout); return 0;
    case CommandAction::Version: std::printf("pictor %s\n", kPictorVersion); return 0;
    case CommandAction::Refuse: std::fprintf(stderr, "%s\n", qPrintable(problem)); return 2;
    case CommandAction::Run: break;
    }
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

    SessionDisplay display;
    if (!options.screen.isEmpty()) {
        const QList<QScreen*> screens = QGuiApplication::screens();
        QStringList names;
        for (const QScreen* screen : screens) names << screen->name();
        const int chosen = chooseScreen(options.screen, names, &problem);
        if (chosen < 0) {
            std::fprintf(stderr, "%s\n", qPrintable(problem));
            return 2;
        }
        display.screen = screens[chosen];
    }
    SystemDisplay system;
    display.system = &system;
    display.options = options;

    SteadyClock clock;
    StdRandomSource random;
    PosixDisk disk;
    const std::unique_ptr<PresentationFeedback> presentation = makePresentationFeedback(clock);
    Session session(clock, random, disk, *presentation, defaultDataFolder(), display);
    QObject::connect(
        &session, &Session::ended, &app, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
    session.start();
    return QApplication::exec();
}
