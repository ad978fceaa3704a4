// Checks that only real windows can show: what the X server displays after
// a trial, where the window manager's frame ends up, and when the X
// server's Present says each picture was shown. Run on a virtual X
// server by with_x.sh; the offscreen platform repaints too eagerly and has
// no frames.

#include "support/test_session.h"

#include "core/timing_file.h"
#include "runs/trial_run.h"
#include "support/test_main.h"

#include <QCheckBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace real_windows_test {

class TestRealWindows : public QObject {
    Q_OBJECT
private slots:
    void everyShownControlPaints_data();
    void everyShownControlPaints();
    void framesAreCentred();
    void onsetsFollowTheFrameClock();
};

void TestRealWindows::everyShownControlPaints_data() {
    QTest::addColumn<bool>("judge");
    QTest::addColumn<bool>("hideSettings");
    QTest::newRow("Make Art, settings hidden while rating") << false << true;
    QTest::newRow("Make Art") << false << false;
    QTest::newRow("Judge Art") << true << false;
}

void TestRealWindows::everyShownControlPaints() {
    // What the screen shows of the window after a trial must be what a full
    // repaint shows.
    QFETCH(bool, judge);
    QFETCH(bool, hideSettings);
    TestSession t;
    t.random.script = {pick12(6), pick12(12), pick12(3), pick200(50), pick200(60)};
    t.openSetup();
    t.setup().Check5->setChecked(hideSettings);
    t.setup().HScroll1->setValue(2);
    if (judge) {
        writeFile(t.folder() + "0001art.dat", "2\r\n1\r\n6,100,120,45,255\r\n0\r\n");
        writeFile(t.folder() + "0001res.dat", "1,1,1,2,3,4,1,1,1,1\r\n1,2,0,5,6,7,1,1,1,1\r\n");
        t.startJudgeArt();
    } else {
        t.startMakeArt();
    }
    QVERIFY(t.main());
    QVERIFY(QTest::qWaitForWindowExposed(t.main()));
    if (judge) {
        QTest::mouseClick(t.main()->ui().Command2, Qt::LeftButton);
    } else {
        t.setSliders(1, 12, 12, 12);
        t.makePicture();
    }
    QVERIFY(t.rate({1, 4, 7}));
    QTest::qWait(100);
    QScreen* screen = t.main()->screen();
    const QImage shown = screen->grabWindow(t.main()->winId()).toImage();
    t.main()->repaint();
    QTest::qWait(100);
    const QImage repainted = screen->grabWindow(t.main()->winId()).toImage();
    QCOMPARE(shown.size(), t.main()->size());
    QVERIFY(shown == repainted);
}

void TestRealWindows::framesAreCentred() {
    if (qEnvironmentVariableIsEmpty("PICTOR_TEST_WINDOW_MANAGER"))
        QSKIP("no window manager to frame the windows");
    TestSession t;
    auto centred = [](QWidget* w) {
        if (!QTest::qWaitForWindowExposed(w)) return false;
        // Framed, and the frame's centre on the centre of the available area.
        return QTest::qWaitFor([w] {
            const QRect frame = w->frameGeometry();
            const QPoint off = frame.center() - w->screen()->availableGeometry().center();
            return frame.size() != w->size() && std::abs(off.x()) <= 1 && std::abs(off.y()) <= 1;
        });
    };
    QVERIFY(centred(t.openSetup()));
    t.startMakeArt();
    QVERIFY(centred(t.main()));
}

void TestRealWindows::onsetsFollowTheFrameClock() {
    // The virtual X server's Present counts frames at 60 Hz: frame n is due
    // at n x 16666 us on the monotonic clock. Its timer fires up to 2 ms
    // early, and late when the machine is busy: so late, now and then, that
    // it counts the frame as the next one. Every picture of 100 gets a frame
    // after its flush, stamped near when that frame was due, and nearly
    // every picture the first frame due after its flush: none skipped.
    SteadyClock clock;
    const std::unique_ptr<PresentationFeedback> presentation = makePresentationFeedback(clock);
    TestSession t(&clock, presentation.get());
    t.openSetup();
    t.setup().HScroll1->setValue(100);
    t.setup().HScroll2->setValue(0);
    for (QCheckBox* c : {t.setup().Check2, t.setup().Check3, t.setup().Check4}) c->setChecked(false);
    t.startMakeArt();
    QVERIFY(QTest::qWaitForWindowExposed(t.main()));
    // Qt Test's waits sleep between events; an event loop of its own
    // paints and flushes at once, as the program does.
    auto spin = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    for (int trial = 1; trial <= 100; ++trial) {
        spin(trial % 2 ? 0 : 300);  // a subject slower than the notices asked for the last picture
        t.makePicture();
        spin(40);
        QVERIFY(t.rate({1 + trial % 7}));
    }
    QTRY_COMPARE(t.ended->size(), 1);
    QList<TimingRow> rows;
    QVERIFY(readTiming(readFile(t.file("timing.csv")), "timing.csv", 100, &rows).isOk());
    QCOMPARE(rows.size(), 100);
    const qint64 frameNs = 16'666'000, early = 2'000'000;
    std::vector<double> lags;
    QStringList skipped;
    for (const TimingRow& r : rows) {
        const FramePresentation& p = r.presented;
        const qint64 due = static_cast<qint64>(p.frame) * frameNs;
        QVERIFY2(p.known && r.moments.completeNs <= p.flushedNs && p.flushedNs <= p.presentedNs &&
                     std::abs(p.presentedNs - due) < frameNs,
                 qPrintable(QString::number(r.trial)));
        if (due - frameNs > p.flushedNs + early)
            skipped << QStringLiteral("trial %1: flushed %2 ns, frame %3 due %4 ns")
                           .arg(r.trial)
                           .arg(p.flushedNs)
                           .arg(p.frame)
                           .arg(due);
        lags.push_back(*r.onsetLagMs());
    }
    std::sort(lags.begin(), lags.end());
    qInfo("onset lag %.3f to %.3f ms, median %.3f ms; %lld skipped", lags.front(), lags.back(), lags[50],
          static_cast<long long>(skipped.size()));
    QVERIFY2(skipped.size() <= 5, qPrintable(skipped.join("; ")));
}

PICTOR_TEST(TestRealWindows);

}  // namespace real_windows_test

#include "tst_real_windows.moc"
