// Kills the real program, driven by robot.cpp preloaded into it, with SIGKILL
// at seeded random moments of Make Art and Judge Art sessions, several at once,
// and checks the data files and the next start after each kill. Environment:
// PICTOR_CRASH_KILLS (default 60) and PICTOR_CRASH_SEED.

#include "core/session_start.h"
#include "core/timing_file.h"
#include "support/files.h"
#include "support/recording_calls.h"
#include "support/test_main.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <tuple>

namespace crash_test {

using Outcome = StartDecision::Outcome;

// A session of the robot's: mode, trials, judgement delay, forced scales.
struct Config {
    QString mode;
    int trials, delay;
    QString forced;
};
const QList<Config> kConfigs = {{"make", 2, 1, "101"},  {"make", 3, 0, "111"},  {"make", 2, 0, "000"},
                                {"judge", 3, 1, "010"}, {"judge", 3, 0, "011"}, {"judge", 3, 0, "000"}};
const QString kCode = "0999";

QByteArray read(const QString& path) { return QFile::exists(path) ? readFile(path) : QByteArray(); }

QProcess* startPictor(const Config& c, const QString& folder, const QString& kill, quint32 seed,
                      QObject* parent) {
    auto* p = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    auto insert = [&env](const QStringList& names, const QStringList& values) {
        for (qsizetype i = 0; i < names.size(); ++i) env.insert(names[i], values[i]);
    };
    insert({"QT_QPA_PLATFORM", "LD_PRELOAD", "PICTOR_ROBOT", "PICTOR_ROBOT_FOLDER", "PICTOR_ROBOT_CODE",
            "PICTOR_ROBOT_TRIALS", "PICTOR_ROBOT_DELAY", "PICTOR_ROBOT_FORCED", "PICTOR_ROBOT_SEED",
            "PICTOR_ROBOT_KILL"},
           {"offscreen", PICTOR_ROBOT, c.mode, folder, kCode, QString::number(c.trials),
            QString::number(c.delay), c.forced, QString::number(seed), kill});
    p->setProcessEnvironment(env);
    p->start(PICTOR_BINARY, {});
    return p;
}

// 1 killed, 0 ended normally, -1 otherwise.
int waitFor(QProcess* p) {
    const bool ended = p->waitForFinished(60000);
    if (!ended) p->kill();
    p->waitForFinished();
    const int ending = !ended                                   ? -1
                       : p->exitStatus() == QProcess::CrashExit ? (p->exitCode() == SIGKILL ? 1 : -1)
                                                                : (p->exitCode() == 0 ? 0 : -1);
    delete p;
    return ending;
}

// The checks after a run; `outcomes` counts the next starts by Outcome.
void checkAfter(const QString& folder, bool judge, int outcomes[3]) {
    const QString base = folder + kCode, art = base + "art.dat",
                  timing = base + (judge ? "timing2.csv" : "timing.csv");
    PictureStore store;
    QList<ResultsRow> results;
    QList<JudgeRow> judged;
    QList<TimingRow> timed;  // a timing line follows its results line
    for (const Status& s :
         {QFile::exists(art) ? readPictureStore(read(art), art, Extent::Partial, &store) : Status::ok(),
          readResults(read(base + "res.dat"), base + "res.dat", store, kCode.toInt(), Extent::Partial,
                      &results),
          readJudgeResults(read(base + "res2.dat"), base + "res2.dat", results, &judged),
          QFile::exists(timing)
              ? readTiming(read(timing), timing, judge ? judged.size() : results.size(), &timed)
              : Status::ok()})
        QVERIFY2(s.isOk(), qPrintable(s.message()));
    // The record follows each results line: a crash may leave it one behind.
    const QString recordPath = base + (judge ? "session2.json" : "session.json");
    const int lines = static_cast<int>(judge ? judged.size() : results.size());
    QString problem;
    const std::optional<RecordContents> record = RecordContents::fromJson(read(recordPath), &problem);
    const int trials = record ? record->trialsCompleted : 0;
    const bool running = record && record->status == SessionStatus::Running;
    QVERIFY2(QFile::exists(recordPath) ? record && (trials == lines || (running && trials == lines - 1))
                                       : lines == 0,
             qPrintable(QString("%1: %2 trials in the record, %3 results lines %4")
                            .arg(recordPath, QString::number(trials), QString::number(lines), problem)));
    const QString own = base + (judge ? "res2.dat" : "art.dat");
    const bool finished = isReadOnly(own);
    const bool any =
        QFile::exists(own) || QFile::exists(recordPath) || (!judge && QFile::exists(base + "res.dat"));
    const Outcome expected = finished ? Outcome::Refused : any ? Outcome::AskToReplace : Outcome::Ready;
    const QMap<QString, QByteArray> before = folderSnapshot(folder);
    PosixDisk disk;
    SessionStart start(disk, {.mode = judge ? SessionMode::JudgeArt : SessionMode::MakeArt,
                              .subjectCode = kCode,
                              .dataFolder = folder,
                              .scales = {}});
    const StartDecision d = start.decide();
    start.cancel();
    QVERIFY2(d.outcome == expected, qPrintable(folder + ": " + d.refusal.message()));
    ++outcomes[static_cast<int>(expected)];
    QCOMPARE(folderSnapshot(folder), before);
}

class TestCrashCampaign : public QObject {
    Q_OBJECT
private slots:
    void campaign();
};

void TestCrashCampaign::campaign() {
    const int kills = qEnvironmentVariable("PICTOR_CRASH_KILLS", "60").toInt();
    const quint32 seed = qEnvironmentVariable("PICTOR_CRASH_SEED", "20261206").toUInt();
    QRandomGenerator random(seed);
    // A finished Make Art session of 3 trials, for Judge Art runs to replay.
    QTemporaryDir dir;
    const QString made = dir.path() + "/";  // the runs' folders are under it
    QVERIFY(waitFor(startPictor({"make", 3, 0, "111"}, made, "", 1, this)) == 0);
    int outcomes[3] = {};  // by Outcome: refused, asked, ready
    checkAfter(made, false, outcomes);
    if (QTest::currentTestFailed()) return;
    QList<std::tuple<Config, QString, QProcess*>> runs;  // config, kill, run
    int killed = 0;
    for (int i = 0; i < kills; ++i) {
        // Up to six runs at once, each killed at a time into a phase of
        // a trial; the oldest is checked first.
        while (runs.size() < qMin(kills, i + 6)) {
            const Config& c = kConfigs[static_cast<int>(random.bounded(kConfigs.size()))];
            QString phase = QStringList{"drawing", "delay", "options", "between"}[random.bounded(qint64(4))];
            const int trial = 1 + static_cast<int>(random.bounded(c.trials));
            if (phase == "between" && trial == c.trials) phase = "options";
            if (phase == "delay" && c.delay == 0) phase = "options";
            if (c.forced == "000" && phase != "between") phase = "drawing";
            const int span = phase == "drawing" ? 400 : phase == "delay" ? 1000000 : 150000;
            const QString kill = QStringLiteral("%1:%2:%3").arg(phase).arg(trial).arg(random.bounded(span));
            const QString folder = dir.filePath(QStringLiteral("kill%1/").arg(runs.size()));
            QVERIFY(QDir().mkpath(folder));
            for (const QFileInfo& f : QDir(c.mode == "judge" ? made : folder).entryInfoList(QDir::Files))
                QVERIFY(QFile::copy(f.filePath(), folder + f.fileName()));
            runs << std::tuple(c, kill, startPictor(c, folder, kill, random.generate(), this));
        }
        const auto& [c, kill, process] = runs[i];
        const int ending = waitFor(process);
        const QString what = QStringLiteral("kill %1 (%2, %3)").arg(i).arg(c.mode, kill);
        QVERIFY2(ending >= 0, qPrintable(what));
        killed += ending;
        checkAfter(dir.filePath(QStringLiteral("kill%1/").arg(i)), c.mode == "judge", outcomes);
        if (QTest::currentTestFailed()) return qWarning("%s", qPrintable(what));
    }
    qInfo("seed %u: %d of %d runs killed; next starts asked %d, refused %d, ready %d", seed, killed, kills,
          outcomes[1], outcomes[0], outcomes[2]);
    QVERIFY(killed >= kills * 3 / 4);
}

PICTOR_TEST(TestCrashCampaign);

}  // namespace crash_test

#include "tst_crash_campaign.moc"
