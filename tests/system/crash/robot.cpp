// A subject and an experimenter for the real pictor binary, loaded into it
// with LD_PRELOAD by the crash campaign. It works the windows through their
// object names, as the widget tests do, and kills the process with SIGKILL
// at the moment the campaign chose: a time after a phase of a trial began.
// (Every step that makes data durable is taken apart by tst_crash_states.)
//
// Settings come from the environment:
//   PICTOR_ROBOT            make | judge
//   PICTOR_ROBOT_FOLDER     data folder, with its trailing separator
//   PICTOR_ROBOT_CODE       subject code
//   PICTOR_ROBOT_TRIALS     number of trials (Make Art)
//   PICTOR_ROBOT_DELAY      judgement delay in seconds
//   PICTOR_ROBOT_FORCED     three 0/1 digits: which scales are rated
//   PICTOR_ROBOT_SEED       the subject's response times and choices
//   PICTOR_ROBOT_VARY       1: the subject sets all four sliders at random
//   PICTOR_ROBOT_FIXED_TIME 1: the wall clock stands still, so the composer's
//                           seeds, and with the same seed and settings the
//                           whole session's files, come out the same
//   PICTOR_ROBOT_KILL       phase:trial:microseconds (phase: drawing, delay,
//                           options, between)

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <dlfcn.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

QByteArray env(const char* name) { return qgetenv(name); }

void report(const char* what, int n = 0) {
    // One write per line, so a kill never leaves half a report.
    char line[64];
    const int length = std::snprintf(line, sizeof line, "robot %s %d\n", what, n);
    if (length > 0) (void)!::write(STDOUT_FILENO, line, static_cast<size_t>(length));
}

[[noreturn]] void killNow() {
    ::kill(::getpid(), SIGKILL);
    for (;;) ::pause();
}

void killAfter(long microseconds) {
    std::thread([microseconds] {
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
        killNow();
    }).detach();
}

template <typename F>
F real(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int clock_gettime(clockid_t clock, struct timespec* time) {
    static const auto next = real<int (*)(clockid_t, struct timespec*)>("clock_gettime");
    static const bool fixed = env("PICTOR_ROBOT_FIXED_TIME") == "1";
    if (!fixed || clock != CLOCK_REALTIME) return next(clock, time);
    *time = {1700000000, 0};
    return 0;
}

namespace {

class Robot : public QObject {
public:
    Robot() : m_random(env("PICTOR_ROBOT_SEED").toUInt()), m_seed(env("PICTOR_ROBOT_SEED").toUInt()) {
        m_mode = env("PICTOR_ROBOT");
        const QList<QByteArray> kill = env("PICTOR_ROBOT_KILL").split(':');
        if (kill.size() == 3) {
            m_killPhase = kill[0];
            m_killTrial = kill[1].toInt();
            m_killAfter = kill[2].toLong();
        }
        connect(&m_tick, &QTimer::timeout, this, &Robot::tick);
        m_tick.start(5);
    }

private:
    static QWidget* window(const char* name) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name) && w->isVisible()) return w;
        return nullptr;
    }
    template <typename T>
    static T* child(QWidget* w, const QString& name) {
        return w ? w->findChild<T*>(name) : nullptr;
    }
    // Arms the chosen kill when `phase` of `trial` begins.
    void phase(const char* name, int trial) {
        report(name, trial);
        if (m_killPhase == name && m_killTrial == trial) killAfter(m_killAfter);
    }
    bool waited(int ms) {
        if (!m_since.isValid()) m_since.start();
        if (m_since.elapsed() < ms) return false;
        m_since.invalidate();
        return true;
    }
    int think() { return 20 + static_cast<int>(m_random.bounded(180)); }
    // The subject's n-th choice: the same for the same seed, however the
    // timing of the run went.
    quint32 choice(int n) const {
        return QRandomGenerator(m_seed + static_cast<quint32>(n) * 7919u).generate();
    }

    void tick() {
        if (QWidget* box = window("pictorMessage")) return answer(box);
        if (QWidget* title = window("Startup")) {
            QTest::mouseClick(child<QPushButton>(title, QStringLiteral("Begin")), Qt::LeftButton);
            return;
        }
        if (QWidget* setup = window("ArtTest")) return fillSetup(setup);
        if (QWidget* main = window("Mainn")) return work(main);
    }

    void answer(QWidget* box) {
        if (auto* confirm = child<QPushButton>(box, QStringLiteral("confirmButton"))) {
            report("replacing");
            QTest::mouseClick(confirm, Qt::LeftButton);
        } else {
            report("refused");
            m_tick.stop();
            QApplication::exit(3);
        }
    }

    void fillSetup(QWidget* setup) {
        if (m_setupDone) return;
        m_setupDone = true;
        child<QLineEdit>(setup, QStringLiteral("Text1"))
            ->setText(QString::fromLocal8Bit(env("PICTOR_ROBOT_CODE")));
        child<QLineEdit>(setup, QStringLiteral("DataDir"))
            ->setText(QString::fromLocal8Bit(env("PICTOR_ROBOT_FOLDER")));
        child<QScrollBar>(setup, QStringLiteral("HScroll1"))
            ->setValue(qMax(1, env("PICTOR_ROBOT_TRIALS").toInt()));
        child<QScrollBar>(setup, QStringLiteral("HScroll2"))->setValue(env("PICTOR_ROBOT_DELAY").toInt());
        const QByteArray forced = env("PICTOR_ROBOT_FORCED").leftJustified(3, '1');
        for (int k = 0; k < 3; ++k)
            child<QAbstractButton>(setup, QStringLiteral("Check%1").arg(k + 1))->setChecked(forced[k] == '1');
        const bool judge = m_mode == "judge";
        if (judge)
            QTest::mouseClick(child<QRadioButton>(setup, QStringLiteral("JudgeArtOption")), Qt::LeftButton);
        QTest::mouseClick(
            child<QPushButton>(setup, judge ? QStringLiteral("Command2") : QStringLiteral("Command1")),
            Qt::LeftButton);
    }

    void work(QWidget* main) {
        auto* make = child<QPushButton>(main, QStringLiteral("Command1"));
        auto* view = child<QPushButton>(main, QStringLiteral("Command2"));
        auto* rate = child<QPushButton>(main, QStringLiteral("Command3"));
        auto* prompt = child<QLabel>(main, QStringLiteral("Label10"));
        const bool judge = m_mode == "judge";
        QPushButton* start = judge ? view : make;
        if (!m_inTrial) {
            if (m_trial > 0 && !waited(think())) return;
            if (!judge && !make->isVisible()) {  // a setting change brings "Make Picture" back
                auto* slider = child<QScrollBar>(main, QStringLiteral("HScroll1"));
                slider->setValue(slider->value() == 12 ? 11 : 12);
                if (env("PICTOR_ROBOT_VARY") == "1")  // settings of the subject's own choosing
                    for (int n = 1; n <= 4; ++n)
                        child<QScrollBar>(main, QStringLiteral("HScroll%1").arg(n))
                            ->setValue(1 + static_cast<int>(choice(m_trial * 4 + n + 1000) % 12));
                return;
            }
            if (!start->isVisible() || !start->isEnabled()) return;
            m_inTrial = true;
            ++m_trial;
            phase("drawing", m_trial);
            QTest::mouseClick(start, Qt::LeftButton);
            return;
        }
        if (prompt->isVisible() && prompt->text().startsWith(QLatin1String("Consider How")) &&
            m_prompted < m_trial) {
            m_prompted = m_trial;
            phase("delay", m_trial);
        }
        if (rate->isVisible() && rate->isEnabled()) {
            if (!waited(think())) return;
            QTest::mouseClick(rate, Qt::LeftButton);
            phase("options", m_trial);
            return;
        }
        for (int k = 0; k < 3; ++k) {
            const char* names[] = {"Ple", "Int", "Com"};
            const int index = 1 + static_cast<int>(choice(m_trial * 3 + k) % 7);
            auto* option =
                child<QRadioButton>(main, QStringLiteral("%1%2").arg(QLatin1String(names[k])).arg(index));
            if (option && option->isVisible()) {
                if (!waited(60 + think())) return;  // past the double-click interval
                QTest::mouseClick(option, Qt::LeftButton);
                return;
            }
        }
        const bool optionsShown = child<QRadioButton>(main, QStringLiteral("Ple4"))->isVisible() ||
                                  child<QRadioButton>(main, QStringLiteral("Int4"))->isVisible() ||
                                  child<QRadioButton>(main, QStringLiteral("Com4"))->isVisible();
        const bool over = judge ? view->isVisible() : (make->isVisible() || !prompt->text().isEmpty());
        if (over && !rate->isVisible() && !optionsShown &&
            !prompt->text().startsWith(QLatin1String("Consider"))) {
            m_inTrial = false;
            phase("between", m_trial);
        }
    }

    QTimer m_tick;
    QElapsedTimer m_since;
    QRandomGenerator m_random;
    quint32 m_seed;
    QByteArray m_mode;
    QByteArray m_killPhase;
    int m_killTrial = 0;
    long m_killAfter = 0;
    bool m_setupDone = false;
    bool m_inTrial = false;
    int m_trial = 0;
    int m_prompted = 0;
};

void startRobot() {
    if (env("PICTOR_ROBOT").isEmpty()) return;
    // Options take no clicks for a double-click interval after they
    // appear; a short one keeps the campaign quick.
    QTimer::singleShot(0, [] {
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(40);
        new Robot;
    });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startRobot)
