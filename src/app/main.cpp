#include "core/version.h"
#include "platform/clock.h"
#include "platform/disk.h"
#include "platform/presentation.h"
#include "platform/random_source.h"
#include "screens/session.h"
#include "widgets/layout.h"

#include <QApplication>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

// The program takes no options but these, and answers them without a display.
std::optional<int> answerCommandLine(int argc, char* argv[]) {
    if (argc < 2) return std::nullopt;
    const std::string option = argv[1];
    if (argc == 2 && option == "--version") {
        std::printf("pictor %s\n", kPictorVersion);
        return 0;
    }
    if (argc == 2 && (option == "--help" || option == "-h")) {
        std::printf(
            "Usage: pictor [--help | --version]\n"
            "Runs one experimental session in empirical visual aesthetics: the experimenter sets it\n"
            "up on the setup screen; the subject makes and rates pictures (Make Art) or rates the\n"
            "pictures made earlier again (Judge Art). The data files go to the folder chosen there.\n"
            "See pictor(1); pictor-data(1) reads the data files.\n");
        return 0;
    }
    const bool known = option == "--version" || option == "--help" || option == "-h";
    std::fprintf(stderr, "pictor: unknown option \"%s\"; pictor takes only --help or --version.\n",
                 known ? argv[2] : argv[1]);
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const std::optional<int> status = answerCommandLine(argc, argv)) return *status;
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
    const std::unique_ptr<PresentationFeedback> presentation = makePresentationFeedback(clock);
    Session session(clock, random, disk, *presentation, defaultDataFolder());
    QObject::connect(
        &session, &Session::ended, &app, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
    session.start();
    return QApplication::exec();
}
