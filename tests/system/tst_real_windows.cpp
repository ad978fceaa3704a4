// Checks that only real windows can show: what the X server displays after
// a trial, and where the window manager's frame ends up. Run on a virtual X
// server by with_x.sh; the offscreen platform repaints too eagerly and has
// no frames.

#include "support/test_session.h"

#include "runs/trial_run.h"
#include "support/test_main.h"

#include <QCheckBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

namespace real_windows_test {

class TestRealWindows : public QObject {
    Q_OBJECT
private slots:
    void everyShownControlPaints_data();
    void everyShownControlPaints();
    void framesAreCentred();
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

PICTOR_TEST(TestRealWindows);

}  // namespace real_windows_test

#include "tst_real_windows.moc"
