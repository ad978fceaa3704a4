// A subject and an experimenter for the real pictor binary, loaded into it
// with LD_PRELOAD by the crash campaign. It works the windows through their
// object names, as the widget tests do, and kills the process with SIGKILL
// at the moment the campaign chose: a time after a phase of a trial began.
// Its settings come from the environment: PICTOR_ROBOT (make or judge),
// _FOLDER (with its trailing separator), _CODE, _TRIALS, _DELAY (seconds),
// _FORCED (three 0/1 digits: the scales rated), _SEED (the subject's response
// times and choices), _KILL (phase:trial:microseconds, the phase one of
// drawing, delay, options, between) and _FIXED_TIME (1: the wall clock stands
// still, so the composer's seeds, and with them the pictures, repeat).

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
        connect(&m_tick, &QTimer::timeout, this, &Robot::tick);
        m_tick.start(5);
    }

private:
    static QWidget* window(const char* name) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name) && w->isVisible()) return w;
        return nullptr;
    }
    template <typename T = QWidget>
    static T* child(QWidget* w, const QString& name) {
        return w->findChild<T*>(name);
    }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    // Reports that `phase` of `trial` began, in one write so a kill never
    // cuts the line, and arms the chosen kill.
    void phase(const char* name, int trial) {
        const QByteArray line = "robot " + QByteArray(name) + ' ' + QByteArray::number(trial) + '\n';
        (void)!::write(STDOUT_FILENO, line.constData(), static_cast<size_t>(line.size()));
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
    // The subject's n-th choice: the same for the same seed, however the
    // timing of the run went.
    quint32 choice(int n) const {
        return QRandomGenerator(m_seed + static_cast<quint32>(n) * 7919u).generate();
    }

    void tick() {
        if (window("pictorMessage")) {  // none comes in a session that goes well
            phase("message", 0);
            m_tick.stop();
            return QApplication::exit(3);
        }
        if (QWidget* title = window("Startup")) return click(child(title, "Begin"));
        if (QWidget* setup = window("ArtTest")) return fillSetup(setup);
        if (QWidget* main = window("Mainn")) return work(main);
    }

    void fillSetup(QWidget* setup) {
        if (std::exchange(m_setupDone, true)) return;
        child<QLineEdit>(setup, "Text1")->setText(QString::fromLocal8Bit(env("_CODE")));
        child<QLineEdit>(setup, "DataDir")->setText(QString::fromLocal8Bit(env("_FOLDER")));
        child<QScrollBar>(setup, "HScroll1")->setValue(qMax(1, env("_TRIALS").toInt()));
        child<QScrollBar>(setup, "HScroll2")->setValue(env("_DELAY").toInt());
        const QByteArray forced = env("_FORCED").leftJustified(3, '1');
        for (int k = 0; k < 3; ++k)
            child<QAbstractButton>(setup, QStringLiteral("Check%1").arg(k + 1))->setChecked(forced[k] == '1');
        if (m_judge) click(child(setup, "JudgeArtOption"));
        click(child(setup, m_judge ? "Command2" : "Command1"));
    }

    void work(QWidget* main) {
        auto* start = child(main, m_judge ? "Command2" : "Command1");  // "View Picture" or "Make Picture"
        auto* rate = child(main, "Command3");
        auto* prompt = child<QLabel>(main, "Label10");
        if (!m_inTrial) {
            if (m_trial > 0 && !waited(think())) return;
            if (!m_judge && !start->isVisible()) {  // a setting change brings "Make Picture" back
                auto* slider = child<QScrollBar>(main, "HScroll1");
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
            const int index = 1 + static_cast<int>(choice(m_trial * 3 + k) % 7);
            auto* option = child(main, QStringLiteral("%1%2").arg(scales[k]).arg(index));
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
    // Options take no clicks for a double-click interval after they
    // appear; a short one keeps the campaign quick.
    QTimer::singleShot(0, [] {
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(40);
        new Robot;
    });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startRobot)
