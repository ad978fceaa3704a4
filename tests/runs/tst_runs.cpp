// Both runs without widgets: a view that logs what the screen would show,
// a fake clock, timer and disk, and a scripted random source.

#include "core/timing_file.h"
#include "runs/trial_run.h"
#include "support/fakes.h"
#include "support/log_view.h"
#include "support/test_main.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace runs_test {

// Kinds without 12, sizes without 13 and 21, colours without entries 1-3;
// then a kind-3 object (size 101, colour 4) at 170,100 and a kind-9 object
// (size 29, colour 12) at 40,249.
const QList<float> kPicture = {pick12(12),  pick12(1),   pick12(2),  pick12(1),   pick12(2), pick12(3),
                               pick12(3),   pick12(12),  pick12(4),  pick12(9),   pick12(3), pick12(12),
                               pick200(10), pick200(20), pick200(0), pick200(199)};
const QByteArray kPictureLines = "2\r\n3,170,100,80.8,16776960\r\n9,40,249,29,32382\r\n";

struct Rig {
    FakeClock clock{100.0, 0.0};
    ScriptedRandom random;
    FakeTimer* timer = nullptr;
    SessionSettings settings;
    FakeDisk disk;
    LogView view;
    JudgeMaterial material;
    std::unique_ptr<ActiveSession> session;
    std::unique_ptr<TrialRun> run;

    Rig(SessionMode mode) {
        settings.mode = mode;
        settings.subjectCode = "0042";
        settings.trials = 2;
        settings.scales = {{{"Nice", "Ugly", true}, {"Odd", "Plain", false}, {"Busy", "Calm", false}}};
        settings.hideSettings = true;
    }
    // The session has started: the picture store holds its first line.
    void start() {
        const bool make = settings.mode == SessionMode::MakeArt;
        if (make) disk.files["/d/0042art.dat"] = {"2\r\n", true};
        RecordContents contents;
        contents.programVersion = "9.9";
        contents.settings = settings;
        session.reset(new ActiveSession{
            settings, SubjectFiles(disk, "/d/", "0042"),
            SessionRecord(disk, make ? "/d/0042session.json" : "/d/0042session2.json", contents), material,
            make ? settings.trials : material.store.trials, nullptr});
        run = TrialRun::create(
            *session, {clock, random, [this] { return std::unique_ptr<Timer>(timer = new FakeTimer); }},
            view);
    }
    // The subject waits `think` seconds, presses "Rate !", and chooses.
    void rate(int scale, int index, double think) {
        clock.advance(think);
        timer->fire();
        run->ratePressed();
        run->optionSelected(scale, index);
        QCoreApplication::processEvents();
    }
    // The oldest picture, flushed 2 ms before, reached the screen (frame < 0: never known).
    void present(qint64 ns, qint64 frame) {
        view.awaiting.takeFirst()(
            frame < 0 ? FramePresentation{false, 0, ns, 0, {}, "none here"}
                      : FramePresentation{true, ns, ns - 2'000'000, quint64(frame), "copy", "X11 Present"});
    }
    QByteArray file(const char* name) const {
        return disk.files.value(QStringLiteral("/d/0042") + name).data;
    }
    QJsonObject json(const char* name = "session.json") const {
        return QJsonDocument::fromJson(file(name)).object();
    }
};

class TestRuns : public QObject {
    Q_OBJECT
private slots:
    void makeArtTrial();
    void makeArtSessionEnds_data();
    void makeArtSessionEnds();
    void judgeArtTrials();
};

void TestRuns::makeArtTrial() {
    Rig r(SessionMode::MakeArt);
    r.random.script = kPicture;
    r.start();
    r.run->startTrial();
    QCOMPARE(r.file("art.dat"), "2\r\n" + kPictureLines);
    QCOMPARE(r.view.log,
             (QStringList{"clear", "make hidden", "sliders hidden", "labels hidden", "draw 16776960",
                          "draw 32382", "make hidden", "prompt Consider How Nice"}));
    QVERIFY(r.run->trialInProgress());
    r.run->startTrial();  // a second press while rating changes nothing
    QCOMPARE(r.run->trialNo(), 1);

    r.view.log.clear();
    r.present(100'012'300'000, 6012);
    r.clock.advance(1.25);
    r.timer->fire();  // "Rate How" at 101.25 s
    r.clock.advance(0.5);
    r.run->ratePressed();
    r.run->optionSelected(1, 6);  // chosen at 101.75 s
    r.clock.advance(-0.5);
    QCoreApplication::processEvents();
    QCOMPARE(r.view.log,
             (QStringList{"rate Rate How Nice", "hide rate", "options 1", "clear options 1", "sliders shown",
                          "labels shown", "clear", "make hidden", "instruction Change Setting(s)"}));
    QCOMPARE(r.file("res.dat"), QByteArray("42,1,2,11,10,9,6,,,1.25\r\n"));
    QCOMPARE(r.file("timing.csv"),
             timingHeader() +
                 "1,100000000000,100010300000,100012300000,12.3,6012,copy,101250000000,101750000000,,,,\r\n");
    QVERIFY(!r.run->trialInProgress() && r.run->isUnderWay());
    QCOMPARE(r.json()["trials_completed"].toInt(), 1);
    QCOMPARE(r.json()["status"].toString(), QString("running"));
}

void TestRuns::makeArtSessionEnds_data() {
    QTest::addColumn<int>("end");                   // after the first frame
    QTest::addColumn<QList<QByteArray>>("timing");  // the lines after the header; none: no file
    QTest::addColumn<OnsetSummary>("onset");
    const QByteArray first = "1,100000000000,100018000000,100020000000,20,700,copy,,,,,,\r";
    QTest::newRow("the last frame never known")
        << 0 << QList<QByteArray>{first, "2,100000000000,100003000000,,,,unknown,,,,,,\r", ""}
        << OnsetSummary{"X11 Present", 1, {}, {"copy"}, {}};
    QTest::newRow("window closed before the last frame")
        << 1 << QList<QByteArray>{first, "2,100000000000,,,,,unknown,,,,,,\r", ""}
        << OnsetSummary{"X11 Present", 1, {}, {"copy"}, {}};
    QTest::newRow("timing file full: the ratings stay")  // 6 frames in 60 ms
        << 2 << QList<QByteArray>{}
        << OnsetSummary{"X11 Present", 2, 10.0, {"copy"}, "/d/0042timing.csv: No space left on device"};
}

void TestRuns::makeArtSessionEnds() {
    QFETCH(int, end);
    QFETCH(QList<QByteArray>, timing);
    QFETCH(OnsetSummary, onset);
    Rig r(SessionMode::MakeArt);
    r.settings.scales[0].forced = false;  // nothing rated: the picture stays
    r.settings.forceSettingChange = false;
    r.settings.hideSettings = false;
    r.random.script = kPicture;
    r.start();
    r.disk.failAt = end == 2 ? 12 : 0;  // the first timing line, after the two trials' eleven writes
    QSignalSpy finished(r.run.get(), &TrialRun::finished), timingFailed(r.run.get(), &TrialRun::timingFailed);
    r.run->startTrial();
    QCOMPARE(r.view.log.mid(r.view.log.size() - 5),
             (QStringList{"make hidden", "sliders shown", "labels shown", "make shown", "instruction "}));
    r.view.sliders = {3, 4, 5, 6};
    r.run->startTrial();  // any picture will do
    // Nothing is rated, so both results lines come before the frames; the
    // session finishes once the last timing line is written.
    QCOMPARE(r.file("res.dat"), QByteArray("42,1,2,11,10,9,,,,0\r\n42,2,3,4,5,6,,,,0\r\n"));
    r.present(100'020'000'000, 700);
    QCOMPARE(finished.size(), 0);
    QVERIFY(!r.run->isUnderWay());  // every trial is saved: closing now asks nothing
    if (end == 1)
        r.run->abandon();  // the session still finishes
    else
        r.present(end ? 100'080'000'000 : 100'003'000'000, end ? 706 : -1);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(timingFailed.size(), end == 2 ? 1 : 0);
    QCOMPARE(r.file("timing.csv").split('\n').mid(1), timing);
    QString problem;
    QCOMPARE(RecordContents::fromJson(r.file("session.json"), &problem).value_or(RecordContents{}).onset,
             onset);
    for (const char* name : {"timing.csv", "art.dat", "res.dat", "session.json"})
        QVERIFY2(!r.disk.inspect(QStringLiteral("/d/0042") + name).writable, name);
    QCOMPARE(r.json()["status"].toString(), QString("finished"));
    QCOMPARE(r.json()["trials_completed"].toInt(), 2);
    r.run->startTrial();  // the session is over
    QCOMPARE(r.run->trialNo(), 2);
}

void TestRuns::judgeArtTrials() {
    Rig r(SessionMode::JudgeArt);
    r.settings.scales[2].forced = true;
    r.settings.trials = 7;  // the store's count wins
    r.disk.files["/d/0042art.dat"] = {"2\r\n" + kPictureLines + "1\r\n2,50,60,9.1,255\r\n", true};
    r.disk.files["/d/0042res.dat"] = {"42,1,2,11,10,9,6,,,1.25\r\n42,2,1,3,4,5,,,,0\r\n", true};
    QVERIFY(SubjectFiles(r.disk, "/d/", "0042").loadJudgeMaterial(&r.material).isOk());
    r.start();
    QSignalSpy finished(r.run.get(), &TrialRun::finished);
    for (int trial = 1; trial <= 2; ++trial) {
        r.view.log.clear();
        r.run->startTrial();
        r.present(100'000'000'000 + trial, trial);
        const QStringList drawn = trial == 1 ? QStringList{"draw 16776960", "draw 32382"}
                                             : QStringList{"draw 255", "draw 255", "draw 255"};
        QCOMPARE(r.view.log, (QStringList{"clear", "instruction shown"} + drawn +
                              QStringList{"view hidden", "prompt Consider How Nice"}));
        r.rate(1, 8 - trial, 0.5);
        r.rate(3, trial, 2.0);
        QCOMPARE(r.view.log.mid(r.view.log.size() - 3),
                 (QStringList{"instruction hidden", "clear", "view shown"}));
    }
    QCOMPARE(r.file("res2.dat"),
             QByteArray("42,1,2,11,10,9,6,,,1.25,7,,1,2.5\r\n42,2,1,3,4,5,,,,0,6,,2,2.5\r\n"));
    QCOMPARE(finished.size(), 1);
    QVERIFY(!r.disk.inspect("/d/0042res2.dat").writable && !r.disk.inspect("/d/0042timing2.csv").writable);
    QCOMPARE(r.file("timing2.csv").count("\n"), 3);
    QVERIFY(r.disk.inspect("/d/0042art.dat").writable);
}

PICTOR_TEST(TestRuns);

}  // namespace runs_test

#include "tst_runs.moc"
