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
    void delayIsNeverShort();  // and input out of turn is ignored
};

void TestRatingProcedure::forcedScalesInOrder_data() {
    QTest::addColumn<TrialRatings>("result");  // the forced scales are those rated
    QTest::addColumn<QStringList>("log");
    QTest::newRow("all three")
        << TrialRatings{{2, 5, 7}, 1.25f}
        << QStringList{
               "prompt Consider How Nice", "rate Rate How Nice", "hide rate", "options 1", "clear options 1",
               "prompt Consider How Odd",  "rate Rate How Odd",  "hide rate", "options 2", "clear options 2",
               "prompt Consider How Busy", "rate Rate How Busy", "hide rate", "options 3", "clear options 3"};
    QTest::newRow("only scale 2") << TrialRatings{{std::nullopt, 5, std::nullopt}, 1.0f}
                                  << QStringList{"prompt Consider How Odd", "rate Rate How Odd", "hide rate",
                                                 "options 2", "clear options 2"};
    QTest::newRow("none") << TrialRatings{{}, 0.875f} << QStringList{};
}

void TestRatingProcedure::forcedScalesInOrder() {
    QFETCH(TrialRatings, result);
    QFETCH(QStringList, log);
    Rig r;
    for (std::size_t k = 0; k < 3; ++k) r.settings.scales[k].forced = result.ratings[k].has_value();
    r.procedure.takeStartTime();
    r.clock.advance(0.75);  // the run hides its button, the prompt stands
    r.procedure.presentScales();
    for (std::size_t k = 0; k < 3; ++k)
        if (result.ratings[k]) r.rate(static_cast<int>(k) + 1, *result.ratings[k]);
    QCOMPARE(r.view.log, log);
    QCOMPARE(r.done, 1);
    r.clock.advance(0.125);  // the run's own end-of-trial steps: the time runs from the picture to here
    r.procedure.finishTime();
    QCOMPARE(r.procedure.result(), result);
    r.procedure.takeStartTime();  // the next picture starts with no ratings
    QCOMPARE(r.procedure.result(), TrialRatings{});
}

void TestRatingProcedure::delayIsNeverShort() {
    Rig r;
    r.settings.judgeDelay = 2;
    r.settings.scales[1].forced = r.settings.scales[2].forced = false;
    r.procedure.takeStartTime();
    r.procedure.presentScales();
    QCOMPARE(r.timer->lastInterval, 2000);
    // A timer that fires early, and one that fires exactly on time, only
    // re-arm; "Rate !" or an option meanwhile records nothing.
    for (double at : {1.5, 2.0}) {
        r.clock.advance(at - (r.clock.now() - 5000.0));
        QVERIFY(r.timer->fire());
        r.procedure.ratePressed();
        r.procedure.optionSelected(1, 4);
        QCOMPARE(r.view.log, QStringList{"prompt Consider How Nice"});
        QVERIFY(r.timer->running);
    }
    QCOMPARE(r.timer->lastInterval, 0);
    r.clock.advance(0.0001);
    QVERIFY(r.timer->fire());
    QCOMPARE(r.view.log.last(), QString("rate Rate How Nice"));
    // An option before "Rate !", or of another scale after it, records nothing.
    r.procedure.optionSelected(1, 4);
    r.procedure.ratePressed();
    r.procedure.optionSelected(2, 6);
    QCOMPARE(r.procedure.result(), TrialRatings{});
    r.procedure.abandon();
    QVERIFY(!r.timer->running);
}

PICTOR_TEST(TestRatingProcedure);

}  // namespace rating_test

#include "tst_rating_procedure.moc"
