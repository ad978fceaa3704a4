// Experimenter and subject for the real pictor binary, preloaded by the crash
// campaign: works the windows through their object names and kills the process
// with SIGKILL a time after a phase of a trial began. Environment: PICTOR_ROBOT
// (make or judge), _FOLDER (with its separator), _CODE, _TRIALS, _DELAY, _FORCED
// (three 0/1 digits), _SEED, _KILL (phase:trial:microseconds; drawing, delay,
// options or between), _FIXED_TIME (1: a still wall clock repeats the pictures).

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>
#include <QTimer>

#include <dlfcn.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <ctime>
#include <thread>
#include <utility>

extern "C" int clock_gettime(clockid_t clock, struct timespec* time) {
    static const auto next =
        reinterpret_cast<int (*)(clockid_t, struct timespec*)>(::dlsym(RTLD_NEXT, "clock_gettime"));
    static const bool fixed = qgetenv("PICTOR_ROBOT_FIXED_TIME") == "1";
    if (!fixed || clock != CLOCK_REALTIME) return next(clock, time);
    *time = {1700000000, 0};
    return 0;
}

namespace {

QByteArray env(const char* name) { return qgetenv(QByteArray("PICTOR_ROBOT") + name); }

class Robot : public QObject {
public:
    Robot() : m_seed(env("_SEED").toUInt()), m_random(m_seed), m_judge(env("") == "judge") {
        // Options take no clicks for a double-click interval: a short one is quick.
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(40);
        connect(&m_tick, &QTimer::timeout, this, &Robot::tick);
        m_tick.start(5);
    }

private:
    static QWidget* window(const char* name) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name) && w->isVisible()) return w;
        return nullptr;
    }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    // A phase of a trial begins: arms the kill if it is the one _KILL names.
    void phase(const char* name, int trial) {
        const QList<QByteArray> kill = env("_KILL").split(':');
        if (kill.size() != 3 || kill[0] != name || kill[1].toInt() != trial) return;
        std::thread([microseconds = kill[2].toLong()] {
            std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
            ::kill(::getpid(), SIGKILL);
        }).detach();
    }
    bool waited(int ms) {
        if (!m_since.isValid()) m_since.start();
        if (m_since.elapsed() < ms) return false;
        m_since.invalidate();
        return true;
    }
    int think() { return 20 + static_cast<int>(m_random.bounded(180)); }

    void tick() {
        if (window("pictorMessage")) return QApplication::exit(3);  // none comes in a session that goes well
        if (QWidget* title = window("Startup")) return click(title->findChild<QWidget*>("Begin"));
        if (QWidget* setup = window("ArtTest")) return fillSetup(setup);
        if (QWidget* main = window("Mainn")) return work(main);
    }

    void fillSetup(QWidget* setup) {
        if (std::exchange(m_setupDone, true)) return;
        setup->findChild<QLineEdit*>("Text1")->setText(QString::fromLocal8Bit(env("_CODE")));
        setup->findChild<QLineEdit*>("DataDir")->setText(QString::fromLocal8Bit(env("_FOLDER")));
        setup->findChild<QScrollBar*>("HScroll1")->setValue(qMax(1, env("_TRIALS").toInt()));
        setup->findChild<QScrollBar*>("HScroll2")->setValue(env("_DELAY").toInt());
        const QByteArray forced = env("_FORCED").leftJustified(3, '1');
        for (int k = 0; k < 3; ++k)
            setup->findChild<QAbstractButton*>(QString("Check%1").arg(k + 1))->setChecked(forced[k] == '1');
        if (m_judge) click(setup->findChild<QWidget*>("JudgeArtOption"));
        click(setup->findChild<QWidget*>(m_judge ? "Command2" : "Command1"));
    }

    void work(QWidget* main) {
        // "View Picture" or "Make Picture"
        auto* start = main->findChild<QWidget*>(m_judge ? "Command2" : "Command1");
        auto* rate = main->findChild<QWidget*>("Command3");
        auto* prompt = main->findChild<QLabel*>("Label10");
        if (!m_inTrial) {
            if (m_trial > 0 && !waited(think())) return;
            if (!m_judge && !start->isVisible()) {  // a setting change brings "Make Picture" back
                auto* slider = main->findChild<QScrollBar*>("HScroll1");
                return slider->setValue(slider->value() == 12 ? 11 : 12);
            }
            if (!start->isVisible() || !start->isEnabled()) return;
            m_inTrial = true;
            phase("drawing", ++m_trial);
            return click(start);
        }
        if (prompt->isVisible() && prompt->text().startsWith("Consider How") && m_prompted < m_trial)
            phase("delay", m_prompted = m_trial);
        if (rate->isVisible() && rate->isEnabled()) {
            if (!waited(think())) return;
            click(rate);
            return phase("options", m_trial);
        }
        for (int k = 0; k < 3; ++k) {
            const char* scales[] = {"Ple", "Int", "Com"};
            // The same choices for the same seed, whatever the timing.
            const quint32 seed = m_seed + static_cast<quint32>(m_trial * 3 + k) * 7919u;
            const int index = 1 + static_cast<int>(QRandomGenerator(seed).generate() % 7);
            auto* option = main->findChild<QWidget*>(QStringLiteral("%1%2").arg(scales[k]).arg(index));
            if (!option || !option->isVisible()) continue;
            if (waited(60 + think())) click(option);  // past the double-click interval
            return;
        }
        const bool over = m_judge ? start->isVisible() : start->isVisible() || !prompt->text().isEmpty();
        if (over && !rate->isVisible() && !prompt->text().startsWith("Consider")) {
            m_inTrial = false;
            phase("between", m_trial);
        }
    }

    QTimer m_tick;
    QElapsedTimer m_since;
    const quint32 m_seed;
    QRandomGenerator m_random;
    const bool m_judge;
    bool m_setupDone = false, m_inTrial = false;
    int m_trial = 0, m_prompted = 0;
};

void startRobot() {
    if (env("").isEmpty()) return;
    QTimer::singleShot(0, [] { new Robot; });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startRobot)
