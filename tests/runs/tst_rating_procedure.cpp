// The rating procedure without widgets: the order of the scales, a delay
// that is never short, and the rating time.

#include "runs/rating_procedure.h"
#include "support/fakes.h"
#include "support/log_view.h"
#include "support/test_main.h"

#include <QTest>

namespace rating_test {

struct Rig {
    FakeClock clock{5000.0, 0.0};
    FakeTimer* timer = new FakeTimer;
    LogView view;
    SessionSettings settings;
    RatingProcedure procedure{clock, std::unique_ptr<Timer>(timer), view, settings};
    int done = 0;
    Rig() {
        settings.scales = {{{"Nice", "Ugly", true}, {"Odd", "Plain", true}, {"Busy", "Calm", true}}};
        QObject::connect(&procedure, &RatingProcedure::scalesDone, [this] { ++done; });
    }

    // The subject presses "Rate !" and then chooses `index`.
    void rate(int scale, int index) {
        clock.advance(0.125);  // a delay of 0 ends once the clock has moved on
        timer->fire();
        procedure.ratePressed();
        procedure.optionSelected(scale, index);
        QCoreApplication::processEvents();  // the queued clearing
    }
};

class TestRatingProcedure : public QObject {
    Q_OBJECT
private slots:
    void forcedScalesInOrder_data();
    void forcedScalesInOrder();
    void delayIsNeverShort();
    void strayInputIsIgnored();
};

void TestRatingProcedure::forcedScalesInOrder_data() {
    QTest::addColumn<QList<bool>>("forced");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<float>("time");  // from the picture to the run's end of the trial
    QTest::newRow("all three") << QList<bool>{true, true, true} << QStringList{"prompt Consider How Nice",
                                                                               "rate Rate How Nice",
                                                                               "hide rate",
                                                                               "options 1",
                                                                               "clear options 1",
                                                                               "prompt Consider How Odd",
                                                                               "rate Rate How Odd",
                                                                               "hide rate",
                                                                               "options 2",
                                                                               "clear options 2",
                                                                               "prompt Consider How Busy",
                                                                               "rate Rate How Busy",
                                                                               "hide rate",
                                                                               "options 3",
                                                                               "clear options 3"}
                               << 1.25f;
    QTest::newRow("only scale 2") << QList<bool>{false, true, false}
                                  << QStringList{"prompt Consider How Odd", "rate Rate How Odd", "hide rate",
                                                 "options 2", "clear options 2"}
                                  << 1.0f;
    QTest::newRow("none") << QList<bool>{false, false, false} << QStringList{} << 0.875f;
}

void TestRatingProcedure::forcedScalesInOrder() {
    QFETCH(QList<bool>, forced);
    QFETCH(QStringList, log);
    QFETCH(float, time);
    Rig r;
    for (int k = 0; k < 3; ++k) r.settings.scales[static_cast<std::size_t>(k)].forced = forced[k];
    r.procedure.takeStartTime();
    r.clock.advance(0.75);  // the run hides its button, the prompt stands
    r.procedure.presentScales();
    const int choices[] = {0, 2, 5, 7};
    for (int k = 1; k <= 3; ++k)
        if (forced[k - 1]) r.rate(k, choices[k]);
    QCOMPARE(r.view.log, log);
    QCOMPARE(r.done, 1);
    r.clock.advance(0.125);  // the run's own end-of-trial steps
    r.procedure.finishTime();
    const std::optional<int> expected[] = {std::nullopt, 2, 5, 7};
    for (int k = 1; k <= 3; ++k)
        QCOMPARE(r.procedure.result().ratings[static_cast<std::size_t>(k - 1)],
                 forced[k - 1] ? expected[k] : std::nullopt);
    QCOMPARE(r.procedure.result().time, time);
    // The next picture starts with no ratings.
    r.procedure.takeStartTime();
    QCOMPARE(r.procedure.result(), TrialRatings{});
}

void TestRatingProcedure::delayIsNeverShort() {
    Rig r;
    r.settings.judgeDelay = 2;
    r.settings.scales[1].forced = r.settings.scales[2].forced = false;
    r.procedure.takeStartTime();
    r.procedure.presentScales();
    QCOMPARE(r.timer->lastInterval, 2000);
    // A timer that fires early, and one that fires exactly on time, only re-arm.
    for (double at : {1.5, 2.0}) {
        r.clock.advance(at - (r.clock.now() - 5000.0));
        QVERIFY(r.timer->fire());
        QCOMPARE(r.view.log, QStringList{"prompt Consider How Nice"});
        QVERIFY(r.timer->running);
    }
    QCOMPARE(r.timer->lastInterval, 0);
    r.clock.advance(0.0001);
    QVERIFY(r.timer->fire());
    QCOMPARE(r.view.log.last(), QString("rate Rate How Nice"));
}

void TestRatingProcedure::strayInputIsIgnored() {
    Rig r;
    r.procedure.takeStartTime();
    r.procedure.presentScales();
    // "Rate !" before the rate phase, an option of another scale, or any
    // option before "Rate !" was pressed, records nothing.
    r.procedure.ratePressed();
    r.procedure.optionSelected(1, 4);
    r.clock.advance(0.001);
    r.timer->fire();
    r.procedure.optionSelected(1, 4);
    QCOMPARE(r.view.log.size(), 2);
    r.procedure.ratePressed();
    r.procedure.optionSelected(2, 6);
    QCOMPARE(r.procedure.result(), TrialRatings{});
    r.procedure.abandon();
    QVERIFY(!r.timer->running);
}

PICTOR_TEST(TestRatingProcedure);

}  // namespace rating_test

#include "tst_rating_procedure.moc"
