// Timing benchmark: drives the real rating procedure and the Make Art run on
// the offscreen platform with synthetic input at known moments and prints
// how close the program comes to the limits that matter for experiments.
// With --onset it runs on the X server of the display instead and reports
// when the pictures reached the screen, as the timing file records it.
// Usage: pictor_bench [--onset] [--quick]

#include "core/subject_files.h"
#include "core/timing_file.h"
#include "platform/clock.h"
#include "platform/random_source.h"
#include "runs/trial_run.h"
#include "screens/main_screen.h"
#include "screens/session.h"
#include "screens/setup_screen.h"
#include "screens/title_screen.h"
#include "widgets/canvas_widget.h"
#include "widgets/layout.h"
#include "widgets/wrapping_radio_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until done() or the timeout, checking every
// millisecond: the benchmark's own waiting, not the program's.
bool runUntil(const std::function<bool()>& done, double timeout = 30) {
    const double end = now() + timeout;
    QEventLoop loop;
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || now() > end) loop.quit();
    });
    check.start(1);
    if (!done()) loop.exec();
    return done();
}

// Records when a widget is shown, and can end an event loop then.
class ShowWatcher : public QObject {
public:
    explicit ShowWatcher(QWidget* w) { w->installEventFilter(this); }
    double shownAt = 0;
    QEventLoop* quitOnShow = nullptr;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) {
            shownAt = now();
            if (quitOnShow) quitOnShow->quit();
        }
        return false;
    }
};

struct Stats {
    double median = 0, max = 0, min = 0;
};
Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    if (v.empty()) return {};
    const size_t n = v.size();
    return {n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.back(), v.front()};
}

// One session on the main screen with the given setup.
struct Bench {
    SteadyClock clock;
    StdRandomSource random;
    PosixDisk disk;
    QTemporaryDir dir;
    std::unique_ptr<PresentationFeedback> presentation = makePresentationFeedback(clock);
    Session session{clock, random, disk, *presentation, dir.path() + QLatin1Char('/')};

    Bench(QList<bool> force, int delay, int objects) {
        session.start();
        QTest::mouseClick(session.titleScreen()->findChild<QPushButton*>("Begin"), Qt::LeftButton);
        const SetupWidgets& s = session.setupScreen()->ui();
        s.HScroll1->setValue(500);
        s.HScroll2->setValue(delay);
        s.Check1->setChecked(force[0]);
        s.Check2->setChecked(force[1]);
        s.Check3->setChecked(force[2]);
        s.Check4->setChecked(false);
        QTest::mouseClick(s.Command1, Qt::LeftButton);
        main()->ui().HScroll[1]->setValue(objects);
        if (!QTest::qWaitForWindowExposed(main())) std::fprintf(stderr, "main window not exposed\n");
    }
    MainScreen* main() { return session.mainScreen(); }
    const MainWidgets& ui() { return main()->ui(); }
};

void rateTimeAndDelay(bool quick) {
    // 1. Rating time: one scale, no delay; the subject presses "Rate" after
    //    about a third of the response delay and chooses at its end.
    Bench b({true, false, false}, 0, 1);
    ShowWatcher makeShown(b.ui().Command1);
    const int n = quick ? 5 : 100;
    std::vector<double> err, legacyErr;
    const float lateInDay = 86000.0f;
    for (int i = 0; i < n; ++i) {
        const double response = 0.2 + 2.8 * i / std::max(1, n - 1);
        QTest::mouseClick(b.ui().Command1, Qt::LeftButton);
        const double t0 = now();
        const double legacyBase = lateInDay - t0;
        QTimer::singleShot(static_cast<int>(response * 333), Qt::PreciseTimer,
                           [&] { QTest::mouseClick(b.ui().Command3, Qt::LeftButton); });
        QTimer::singleShot(static_cast<int>(response * 1000), Qt::PreciseTimer,
                           [&] { QTest::mouseClick(b.ui().Ple[4], Qt::LeftButton); });
        makeShown.shownAt = 0;
        runUntil([&] {
            return makeShown.shownAt > 0 && b.main()->run().trialNo() == i + 1 &&
                   !b.main()->run().trialInProgress();
        });
        const double t1 = makeShown.shownAt;
        const double truth = t1 - t0;
        err.push_back(std::fabs(b.main()->run().lastRatings().time - truth) * 1000);
        const float legacy = static_cast<float>(legacyBase + t1) - static_cast<float>(legacyBase + t0);
        legacyErr.push_back(std::fabs(static_cast<double>(legacy) - truth) * 1000);
    }
    const Stats e = stats(err), l = stats(legacyErr);
    std::printf(
        "| Rating time error, %d ratings of 0.2-3 s | %.3f ms | %.3f ms | median < 0.1 ms, max < 1 ms |\n", n,
        e.median, e.max);
    std::printf("| Same intervals, legacy float clock late in the day | %.3f ms | %.3f ms | (comparison) |\n",
                l.median, l.max);

    // 2. Judgement delay: how late "Rate How" appears after the delay ends.
    for (int delay : {1, 2}) {
        Bench d({true, false, false}, delay, 1);
        ShowWatcher rateShown(d.ui().Command3);
        std::vector<double> late;
        double earliest = 1e9;
        const int m = quick ? 2 : 20;
        for (int i = 0; i < m; ++i) {
            const double before = now();
            QTest::mouseClick(d.ui().Command1, Qt::LeftButton);
            const double after = now();
            rateShown.shownAt = 0;
            runUntil([&] { return rateShown.shownAt > 0; });
            late.push_back((rateShown.shownAt - after - delay) * 1000);
            earliest = std::min(earliest, (rateShown.shownAt - before - delay) * 1000);
            QTest::mouseClick(d.ui().Command3, Qt::LeftButton);
            QTest::mouseClick(d.ui().Ple[1], Qt::LeftButton);
            runUntil([&] { return d.ui().Command1->isVisible(); });
        }
        const Stats s = stats(late);
        std::printf(
            "| \"Rate How\" after a %d s delay, %d trials: late by | %.3f ms | %.3f ms | median < 1 ms, max "
            "< 2 ms; never early (earliest %+.3f ms) |\n",
            delay, m, s.median, s.max, earliest);
    }
}

void cpuWhileWaiting(bool quick) {
    const double span = quick ? 1.0 : 5.0;
    Bench b({true, false, false}, static_cast<int>(span), 1);
    // Plain event loops that wake only for the program's own events.
    ShowWatcher rateShown(b.ui().Command3);
    QEventLoop delayLoop;
    rateShown.quitOnShow = &delayLoop;
    QTest::mouseClick(b.ui().Command1, Qt::LeftButton);
    double c0 = cpuSeconds(), w0 = now();
    if (!b.ui().Command3->isVisible()) delayLoop.exec();
    const double delayCpu = (cpuSeconds() - c0) / (now() - w0);
    c0 = cpuSeconds();
    w0 = now();
    QEventLoop idle;
    QTimer::singleShot(static_cast<int>(span * 1000), &idle, &QEventLoop::quit);
    idle.exec();
    const double rateCpu = (cpuSeconds() - c0) / (now() - w0);
    c0 = cpuSeconds();
    w0 = now();
    while (now() - w0 < span) QCoreApplication::processEvents();
    const double pollCpu = (cpuSeconds() - c0) / (now() - w0);
    std::printf("| CPU during a %.0f s judgement delay | %.2f %% of a core | | < 1 %% |\n", span,
                delayCpu * 100);
    std::printf("| CPU while waiting %.0f s for \"Rate !\" | %.2f %% of a core | | < 1 %% |\n", span,
                rateCpu * 100);
    std::printf("| CPU of a polling loop, for comparison | %.1f %% of a core | | |\n", pollCpu * 100);
}

void pictureLatency(bool quick) {
    for (int objects : {1, 12}) {
        Bench b({false, false, false}, 0, objects);
        b.ui().HScroll[2]->setValue(12);
        double paintedAt = 0;
        QObject::connect(b.ui().Picture1, &CanvasWidget::painted, [&] { paintedAt = now(); });
        std::vector<double> ms;
        const int n = quick ? 5 : 50;
        for (int i = 0; i < n; ++i) {
            runUntil([] { return false; }, 0.02);  // let the previous picture settle
            paintedAt = 0;
            const double t0 = now();
            QTest::mouseClick(b.ui().Command1, Qt::LeftButton);
            runUntil([&] { return paintedAt > 0; });
            ms.push_back((paintedAt - t0) * 1000);
        }
        const Stats s = stats(ms);
        std::printf(
            "| \"Make Picture\" to picture painted, %d object%s | %.3f ms | %.3f ms | median < 5 ms |\n",
            objects, objects == 1 ? "" : "s", s.median, s.max);
    }
}

void onsetLag(bool quick) {
    // A subject who presses "Make Picture" a while after it appears (at
    // every phase of the frame) and rates at once.
    Bench b({true, false, false}, 0, 6);
    const int n = quick ? 10 : 100;
    for (int i = 0; i < n; ++i) {
        runUntil([] { return false; }, 0.25 + 0.0037 * (i % 17));
        QTest::mouseClick(b.ui().Command1, Qt::LeftButton);
        runUntil([&] { return b.ui().Command3->isVisible(); });
        QTest::mouseClick(b.ui().Command3, Qt::LeftButton);
        QTest::mouseClick(b.ui().Ple[4], Qt::LeftButton);
        runUntil([&] { return b.ui().Command1->isVisible(); });
    }
    // While "Make Picture" waits, the frames are followed; a plain event
    // loop wakes only for the program's own events.
    const double c0 = cpuSeconds(), w0 = now();
    QEventLoop idle;
    QTimer::singleShot(quick ? 1000 : 5000, &idle, &QEventLoop::quit);
    idle.exec();
    const double followCpu = (cpuSeconds() - c0) / (now() - w0);
    runUntil([] { return false; }, 1.0);  // the last frames' notices
    const SubjectFiles& files = b.session.active()->files;
    QByteArray text;
    QList<TimingRow> rows;
    if (!files.disk().readAll(files.path(kTimingFile), &text).isOk() ||
        !readTiming(text, files.path(kTimingFile), n, &rows).isOk() || rows.size() != n) {
        std::printf("| Onset lag | the timing file did not hold %d trials | | |\n", n);
        return;
    }
    const OnsetSummary summary = summariseOnsets(rows, {});
    const double refresh = summary.refreshIntervalMs.value_or(0);
    std::vector<double> lags, waits, offClock;
    int overRefresh = 0, overRefresh2 = 0;
    const FramePresentation* firstKnown = nullptr;
    for (const TimingRow& r : rows) {
        if (!r.presented.known) continue;
        if (!firstKnown) firstKnown = &r.presented;
        // Frames counted against time on a 60 Hz clock: the same for every trial, within half a frame.
        offClock.push_back(static_cast<double>(r.presented.presentedNs - firstKnown->presentedNs) /
                               (1e9 / 60) -
                           static_cast<double>(r.presented.frame - firstKnown->frame));
        lags.push_back(*r.onsetLagMs());
        waits.push_back(static_cast<double>(r.presented.presentedNs - r.presented.flushedNs) / 1e6);
        overRefresh += lags.back() > refresh;
        overRefresh2 += lags.back() > refresh + 2;
    }
    const Stats lag = stats(lags), wait = stats(waits);
    std::printf("| Pictures with a frame presented (%s), %d trials | %d | | all |\n",
                qPrintable(b.session.active()->record.contents().onset.source), n, summary.trialsKnown);
    std::printf("| Refresh interval from the frame counters | %.3f ms | | |\n", refresh);
    if (lags.empty()) return;
    const auto [first, last] = std::minmax_element(offClock.begin(), offClock.end());
    std::printf("| Frame counters against frame times at 60 Hz: spread | %.3f frames | | < 0.5 frames |\n",
                *last - *first);
    std::printf(
        "| Picture complete to frame presented | %.3f ms | %.3f ms | max <= one refresh + 2 ms; never "
        "negative (least %+.3f ms) |\n",
        lag.median, lag.max, lag.min);
    std::printf(
        "| Flushed to frame presented | %.3f ms | %.3f ms | max <= one refresh, give or take the "
        "frame clock's stray |\n",
        wait.median, wait.max);
    std::printf(
        "| Presented more than one refresh after complete | %d of %d | | (more than a refresh + 2 ms: "
        "%d) |\n",
        overRefresh, n, overRefresh2);
    std::printf("| CPU while \"Make Picture\" waits, frames followed | %.2f %% of a core | | < 1 %% |\n",
                followCpu * 100);
}

}  // namespace

int main(int argc, char** argv) {
    const bool onset = argc > 1 && QByteArray(argv[1]) == "--onset";
    if (!onset) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerFontSubstitutes();
    // The synthetic subject answers faster than a double-click interval;
    // the options' guard against double-clicks would swallow its clicks.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(0);
    const bool quick = QByteArray(argv[argc - 1]) == "--quick";
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each row as it is measured
    if (onset) {
        onsetLag(quick);
        return 0;
    }
    std::printf("| measure | median | maximum | goal |\n|---|---|---|---|\n");
    rateTimeAndDelay(quick);
    cpuWhileWaiting(quick);
    pictureLatency(quick);
    return 0;
}
