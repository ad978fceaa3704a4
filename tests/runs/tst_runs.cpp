// Both runs without widgets: a view that logs what the screen would show,
// a fake clock, timer and disk, and a scripted random source.

#include "runs/judge_art_run.h"
#include "runs/make_art_run.h"
#include "support/fake_disk.h"
#include "support/fakes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace {

class LogView final : public TrialView {
public:
    QStringList log;
    CompositionSettings sliders{2, 11, 10, 9};

    // The canvas logs into the same list, so the order of clearing and
    // drawing against the other controls shows.
    class LogCanvas final : public Canvas {
    public:
        explicit LogCanvas(QStringList& log) : m_log(log) {}
        void clear() override { m_log << "clear"; }
        void setPenWidth(int) override {}
        void setFillColour(std::uint32_t) override {}
        void setFillStyle(FillStyle) override {}
        void segment(CanvasPoint, CanvasPoint, std::uint32_t c) override {
            m_log << QStringLiteral("draw %1").arg(c);
        }
        void continueTo(CanvasPoint, std::uint32_t) override {}
        void box(CanvasPoint, float, float, std::uint32_t c, BoxFill) override {
            m_log << QStringLiteral("draw %1").arg(c);
        }
        void ellipse(CanvasPoint, float, std::uint32_t c, float) override {
            m_log << QStringLiteral("draw %1").arg(c);
        }

    private:
        QStringList& m_log;
    } logCanvas{log};

    void showPrompt(const QString& text) override { log << "prompt " + text; }
    void showRateButton(const QString& caption) override { log << "rate " + caption; }
    void hideRateButton() override { log << "hide rate"; }
    void showOptions(int scale) override { log << QStringLiteral("options %1").arg(scale); }
    void clearOptions(int scale) override { log << QStringLiteral("clear options %1").arg(scale); }
    Canvas& canvas() override { return logCanvas; }
    void setMakePictureVisible(bool v) override { log << (v ? "make shown" : "make hidden"); }
    void setSlidersVisible(bool v) override { log << (v ? "sliders shown" : "sliders hidden"); }
    void setSliderLabelsVisible(bool v) override { log << (v ? "labels shown" : "labels hidden"); }
    void setInstruction(const QString& text) override { log << "instruction " + text; }
    CompositionSettings sliderValues() const override { return sliders; }
    void setViewPictureVisible(bool v) override { log << (v ? "view shown" : "view hidden"); }
    void setInstructionVisible(bool v) override { log << (v ? "instruction shown" : "instruction hidden"); }
};

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
    Module1 module1;
    SessionSettings settings;
    FakeDisk disk;
    SubjectFiles files{disk, "/d/", "0042"};
    SessionRecord record{disk, "/d/0042session.json", settings, RunEnvironment{}, "9.9"};
    LogView view;

    Rig() {
        settings.subjectCode = "0042";
        settings.scales = {{{"Nice", "Ugly", true}, {"Odd", "Plain", false}, {"Busy", "Calm", false}}};
        settings.hideSettings = true;
        module1.NumTrials = 2;
    }
    RunServices services() {
        return {clock,   random,   [this] { return std::unique_ptr<Timer>(timer = new FakeTimer); },
                module1, settings, files,
                record};
    }
    // The subject waits `think` seconds, presses "Rate !", and chooses.
    void rate(int scale, int index, double think) {
        clock.advance(think);
        timer->fire();
        module1.RateFlag = 1;
        run->ratePressed();
        run->optionSelected(scale, index);
        QCoreApplication::processEvents();
    }
    QByteArray file(const char* name) const { return disk.files.value(files.path(name)).data; }
    QJsonObject json() const { return QJsonDocument::fromJson(file("session.json")).object(); }
    std::unique_ptr<TrialRun> run;
};

}  // namespace

class TestRuns : public QObject {
    Q_OBJECT
private slots:
    void makeArtTrial();
    void makeArtSessionEnds();
    void makeArtStopsOnWriteFailure();
    void judgeArtTrials();
};

void TestRuns::makeArtTrial() {
    Rig r;
    r.random.setScript(kPicture);
    r.run = std::make_unique<MakeArtRun>(r.services(), r.view);
    QVERIFY(r.run->start().isOk());
    QCOMPARE(r.file("art.dat"), QByteArray("2\r\n"));
    r.run->startTrial();
    QCOMPARE(r.random.reseeds(), 1);
    QCOMPARE(r.random.left(), 0);
    QCOMPARE(r.file("art.dat"), "2\r\n" + kPictureLines);
    QCOMPARE(r.view.log,
             (QStringList{"clear", "make hidden", "sliders hidden", "labels hidden", "draw 16776960",
                          "draw 32382", "make hidden", "prompt Consider How Nice"}));
    QVERIFY(r.run->trialInProgress());
    r.run->startTrial();  // a second press while rating changes nothing
    QCOMPARE(r.run->trialNo(), 1);

    r.view.log.clear();
    r.rate(1, 6, 1.25);  // the rating time runs from the finished picture
    QCOMPARE(r.view.log,
             (QStringList{"rate Rate How Nice", "hide rate", "options 1", "clear options 1", "sliders shown",
                          "labels shown", "clear", "make hidden", "instruction Change Setting(s)"}));
    QCOMPARE(r.file("res.dat"), QByteArray("42,1,2,11,10,9,6,,,1.25\r\n"));
    QVERIFY(!r.run->trialInProgress() && r.run->isUnderWay());
    QCOMPARE(r.json()["trials_completed"].toInt(), 1);
    QCOMPARE(r.json()["status"].toString(), QString("running"));
}

void TestRuns::makeArtSessionEnds() {
    Rig r;
    r.settings.scales[0].forced = false;  // nothing rated: the picture stays
    r.settings.forceSettingChange = false;
    r.settings.hideSettings = false;
    r.random.setScript(kPicture);
    r.run = std::make_unique<MakeArtRun>(r.services(), r.view);
    QSignalSpy finished(r.run.get(), &TrialRun::finished);
    QVERIFY(r.run->start().isOk());
    r.run->startTrial();
    QCOMPARE(r.view.log.mid(r.view.log.size() - 5),
             (QStringList{"make hidden", "sliders shown", "labels shown", "make shown", "instruction "}));
    QCOMPARE(finished.size(), 0);
    r.view.sliders = {3, 4, 5, 6};
    r.run->startTrial();  // any picture will do
    QCOMPARE(finished.size(), 1);
    QCOMPARE(r.file("res.dat"), QByteArray("42,1,2,11,10,9,,,,0\r\n42,2,3,4,5,6,,,,0\r\n"));
    QVERIFY(!r.disk.inspect("/d/0042art.dat").writable && !r.disk.inspect("/d/0042res.dat").writable);
    QCOMPARE(r.json()["status"].toString(), QString("finished"));
    QCOMPARE(r.json()["trials_completed"].toInt(), 2);
    QVERIFY(!r.disk.inspect("/d/0042session.json").writable);
    r.run->startTrial();  // the session is over
    QCOMPARE(r.run->trialNo(), 2);
}

void TestRuns::makeArtStopsOnWriteFailure() {
    Rig r;
    r.random.setScript(kPicture);
    r.run = std::make_unique<MakeArtRun>(r.services(), r.view);
    QSignalSpy failed(r.run.get(), &TrialRun::failed);
    QVERIFY(r.run->start().isOk());
    r.disk.failAt = 4;  // the first object's line, after the store and the record began
    r.run->startTrial();
    QCOMPARE(failed.size(), 1);
    QVERIFY(failed.first().first().value<Status>().message().contains("/d/0042art.dat: No space"));
    QCOMPARE(r.file("art.dat"), QByteArray("2\r\n2\r\n"));
    QCOMPARE(r.json()["status"].toString(), QString("failed"));
    QVERIFY(r.json()["failure"].toString().contains("No space"));
    QCOMPARE(r.json()["trials_completed"].toInt(), 0);
    QVERIFY(!r.view.log.join(' ').contains("prompt"));
    QVERIFY(!r.run->isUnderWay());
}

void TestRuns::judgeArtTrials() {
    Rig r;
    r.settings.mode = SessionMode::JudgeArt;
    r.settings.scales[2].forced = true;
    r.disk.files["/d/0042art.dat"] = {"2\r\n" + kPictureLines + "1\r\n2,50,60,9.1,255\r\n", true};
    r.disk.files["/d/0042res.dat"] = {"42,1,2,11,10,9,6,,,1.25\r\n42,2,1,3,4,5,,,,0\r\n", true};
    r.module1.NumTrials = 7;  // the store's count wins
    r.run = std::make_unique<JudgeArtRun>(r.services(), r.view);
    QSignalSpy finished(r.run.get(), &TrialRun::finished);
    QVERIFY(r.run->start().isOk());
    for (int trial = 1; trial <= 2; ++trial) {
        r.view.log.clear();
        r.run->startTrial();
        const QStringList drawn = trial == 1 ? QStringList{"draw 16776960", "draw 32382"}
                                             : QStringList{"draw 255", "draw 255", "draw 255"};
        const QStringList expected = QStringList{"clear", "instruction shown"} + drawn +
                                     QStringList{"view hidden", "prompt Consider How Nice"};
        QCOMPARE(r.view.log, expected);
        r.rate(1, 8 - trial, 0.5);
        r.rate(3, trial, 2.0);
        QCOMPARE(r.view.log.mid(r.view.log.size() - 3),
                 (QStringList{"instruction hidden", "clear", "view shown"}));
    }
    QCOMPARE(r.module1.NumTrials, std::int16_t(2));
    QCOMPARE(r.file("res2.dat"),
             QByteArray("42,1,2,11,10,9,6,,,1.25,7,,1,2.5\r\n42,2,1,3,4,5,,,,0,6,,2,2.5\r\n"));
    QCOMPARE(finished.size(), 1);
    QVERIFY(!r.disk.inspect("/d/0042res2.dat").writable);
    QVERIFY(r.disk.inspect("/d/0042art.dat").writable);
}

QTEST_GUILESS_MAIN(TestRuns)
#include "tst_runs.moc"
