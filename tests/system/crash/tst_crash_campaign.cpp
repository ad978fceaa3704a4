// Kills the real program with SIGKILL at seeded random moments of Make Art
// and Judge Art sessions, and checks after each kill what a lab relies on:
// every data file is whole lines that parse, the results never outnumber
// the pictures, the session record parses and agrees with the results,
// and the next start of the subject asks (unfinished) or refuses
// (finished), with the program's own start decision, and changes nothing
// when declined.
//
// The program is driven by robot.cpp, preloaded into it; several run at
// once, since most of a run is the robot's subject thinking. Environment:
//   PICTOR_CRASH_KILLS  number of kills (default 60)
//   PICTOR_CRASH_SEED   seed of the campaign (default 20261206)
//   PICTOR_CRASH_JOBS   runs at once (default 6)

#include "core/session_start.h"
#include "core/subject_files.h"
#include "core/timing_file.h"
#include "support/files.h"
#include "support/test_main.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace crash_test {

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

// Contents and modes of the folder's files but the lock, which a killed
// session leaves to the next start.
QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files))
        if (!f.fileName().endsWith("session.lock"))
            files[f.fileName()] = readFile(f.filePath()) + (isReadOnly(f.filePath()) ? " read-only" : "");
    return files;
}

// A run of pictor with the robot: the robot's settings, by the names it reads.
QProcess* startPictor(const QStringList& settings, QObject* parent) {
    auto* p = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("LD_PRELOAD", PICTOR_ROBOT);
    for (qsizetype i = 0; i + 1 < settings.size(); i += 2)
        env.insert("PICTOR_ROBOT" + settings[i], settings[i + 1]);
    p->setProcessEnvironment(env);
    p->start(PICTOR_BINARY, {});
    return p;
}

// How a run ended, and what the robot reported of it ("drawing 1, ...").
struct Ending {
    bool killed, clean;
    QString events;
};

Ending waitFor(QProcess* p) {
    const bool ended = p->waitForFinished(60000);
    if (!ended) p->kill();
    p->waitForFinished();
    const Ending e{ended && p->exitStatus() == QProcess::CrashExit && p->exitCode() == SIGKILL,
                   ended && p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0,
                   QString::fromLatin1(p->readAllStandardOutput()).split('\n').filter("robot ").join(", ")};
    delete p;
    return e;
}

class TestCrashCampaign : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void campaign();

private:
    QProcess* startRun(const Config& c, const QString& folder, const QString& kill, quint32 seed) {
        return startPictor(
            {"", c.mode, "_FOLDER", folder, "_CODE", kCode, "_TRIALS", QString::number(c.trials), "_DELAY",
             QString::number(c.delay), "_FORCED", c.forced, "_SEED", QString::number(seed), "_KILL", kill},
            this);
    }
    void checkAfter(const QString& folder, const QString& mode, bool killed);

    QTemporaryDir m_dir;
    QString m_made;          // a finished Make Art session of 3 trials, for Judge Art runs to replay
    int m_outcomes[3] = {};  // next starts by StartDecision::Outcome
};

void TestCrashCampaign::initTestCase() {
    m_made = m_dir.filePath("made/");
    QVERIFY(QDir().mkpath(m_made));
    const Ending made = waitFor(startRun({"make", 3, 0, "111"}, m_made, "", 1));
    QVERIFY2(made.clean, qPrintable(made.events));
    checkAfter(m_made, "make", false);
}

void TestCrashCampaign::checkAfter(const QString& folder, const QString& mode, bool killed) {
    const QString base = folder + kCode;
    const bool judge = mode == "judge";
    // Every data file is whole lines that parse, results never outnumber
    // pictures, and a timing line follows its results line.
    PictureStore store;
    QList<ResultsRow> results;
    QList<JudgeRow> judged;
    QList<TimingRow> timed;
    const QString timing = base + (judge ? "timing2.csv" : "timing.csv");
    for (const Status& s :
         {QFile::exists(base + "art.dat")
              ? readPictureStore(read(base + "art.dat"), base + "art.dat", Extent::Partial, &store)
              : Status::ok(),
          readResults(read(base + "res.dat"), base + "res.dat", store, kCode.toInt(), Extent::Partial,
                      &results),
          readJudgeResults(read(base + "res2.dat"), base + "res2.dat", results, &judged),
          QFile::exists(timing)
              ? readTiming(read(timing), timing, judge ? judged.size() : results.size(), &timed)
              : Status::ok()})
        QVERIFY2(s.isOk(), qPrintable(s.message()));
    // The record parses and agrees with the results: it follows each results
    // line, so after a crash it may trail them by the one line written last.
    const QString recordPath = base + (judge ? "session2.json" : "session.json");
    const int lines = static_cast<int>(judge ? judged.size() : results.size());
    QString problem;
    const std::optional<RecordContents> record = RecordContents::fromJson(read(recordPath), &problem);
    if (!QFile::exists(recordPath)) {
        QCOMPARE(lines, 0);
    } else {
        QVERIFY2(record, qPrintable(recordPath + ": " + problem));
        QVERIFY2(record->trialsCompleted == lines ||
                     (record->status == SessionStatus::Running && record->trialsCompleted == lines - 1),
                 qPrintable(QStringLiteral("%1: %2 trials in the record, %3 results lines")
                                .arg(recordPath)
                                .arg(record->trialsCompleted)
                                .arg(lines)));
        if (!killed) QCOMPARE(record->status, SessionStatus::Finished);
    }
    // The next start of the subject asks or refuses and, declined, changes nothing.
    const QString own = base + (judge ? "res2.dat" : "art.dat");
    const bool finished = isReadOnly(own);
    const bool any =
        QFile::exists(own) || QFile::exists(recordPath) || (!judge && QFile::exists(base + "res.dat"));
    const QMap<QString, QByteArray> before = snapshot(folder);
    SessionSettings settings;
    settings.mode = judge ? SessionMode::JudgeArt : SessionMode::MakeArt;
    settings.subjectCode = kCode;
    settings.dataFolder = folder;
    PosixDisk disk;
    SessionStart start(disk, settings);
    const StartDecision d = start.decide();
    start.cancel();
    const auto expected = finished ? StartDecision::Outcome::Refused
                          : any    ? StartDecision::Outcome::AskToReplace
                                   : StartDecision::Outcome::Ready;
    QVERIFY2(d.outcome == expected, qPrintable(folder + ": " + d.refusal.message()));
    if (finished) QVERIFY2(d.refusal.message().contains("finished"), qPrintable(d.refusal.message()));
    ++m_outcomes[static_cast<int>(expected)];
    QCOMPARE(snapshot(folder), before);
}

void TestCrashCampaign::campaign() {
    auto setting = [](const char* name, int fallback) {
        return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : fallback;
    };
    const int kills = setting("PICTOR_CRASH_KILLS", 60), jobs = qMax(1, setting("PICTOR_CRASH_JOBS", 6));
    const auto seed = static_cast<quint32>(setting("PICTOR_CRASH_SEED", 20261206));
    QRandomGenerator random(seed);
    struct Run {
        Config c;
        QString kill, folder;
        QProcess* process;
    };
    QList<Run> runs;
    QMap<QString, int> byPhase;
    int killedRuns = 0;
    for (int i = 0; i < kills; ++i) {
        // Up to `jobs` runs at once; the oldest is checked first, so the
        // report keeps the plan's order.
        while (runs.size() < qMin(kills, i + jobs)) {
            // A phase of a trial and a time into it.
            const Config& c = kConfigs[static_cast<int>(random.bounded(kConfigs.size()))];
            QString phase = QStringList{"drawing", "delay", "options", "between"}[random.bounded(qint64(4))];
            const int trial = 1 + static_cast<int>(random.bounded(c.trials));
            if (phase == "between" && trial == c.trials) phase = "options";
            if (phase == "delay" && c.delay == 0) phase = "options";
            if (c.forced == "000" && phase != "between") phase = "drawing";
            const int span = phase == "drawing" ? 400 : phase == "delay" ? 1000000 : 150000;
            const QString kill = QStringLiteral("%1:%2:%3").arg(phase).arg(trial).arg(random.bounded(span));
            const QString folder = m_dir.filePath(QStringLiteral("kill%1/").arg(runs.size()));
            QVERIFY(QDir().mkpath(folder));
            if (c.mode == "judge")
                for (const QFileInfo& f : QDir(m_made).entryInfoList(QDir::Files))
                    QVERIFY(QFile::copy(f.filePath(), folder + f.fileName()));
            runs << Run{c, kill, folder, startRun(c, folder, kill, random.generate())};
        }
        const Run& run = runs[i];
        const Ending e = waitFor(run.process);
        QVERIFY2(e.killed || e.clean, qPrintable(run.kill + ": " + e.events));
        if (e.killed) ++killedRuns, ++byPhase[run.c.mode + " " + run.kill.section(':', 0, 0)];
        checkAfter(run.folder, run.c.mode, e.killed);
        if (QTest::currentTestFailed())
            qWarning("kill %d (%s, %s): %s", i, qPrintable(run.c.mode), qPrintable(run.kill),
                     qPrintable(e.events));
        if (QTest::currentTestFailed()) return;
    }
    QStringList counts;
    for (auto it = byPhase.cbegin(); it != byPhase.cend(); ++it)
        counts << QStringLiteral("%1: %2").arg(it.key()).arg(it.value());
    qInfo("seed %u: %d of %d runs killed (%s); next starts asked %d, refused %d, ready %d", seed, killedRuns,
          kills, qPrintable(counts.join(", ")), m_outcomes[1], m_outcomes[0], m_outcomes[2]);
    QVERIFY(killedRuns >= kills * 3 / 4);
}

PICTOR_TEST(TestCrashCampaign);

}  // namespace crash_test

#include "tst_crash_campaign.moc"
