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
#include "support/test_main.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace crash_test {

struct Config {
    QString mode;  // make or judge
    int trials;
    int delay;
    QString forced;
};

const QList<Config> kConfigs = {{"make", 2, 1, "101"},  {"make", 3, 0, "111"},  {"make", 2, 0, "000"},
                                {"judge", 3, 1, "010"}, {"judge", 3, 0, "011"}, {"judge", 3, 0, "000"}};

struct Run {
    bool killed = false;
    int exitCode = 0;
    QStringList events;  // "drawing 1", "options 1", ...
};

// Some write permission bit is set (root may write any file, so the bits
// are what marks a finished session).
bool writable(const QString& path) {
    return QFile::permissions(path) & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
}

// Contents and mode of every file of the folder, to see that nothing changed.
QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files)) {
        QFile file(f.filePath());
        if (!file.open(QIODevice::ReadOnly)) continue;
        files[f.fileName()] = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex() +
                              (writable(f.filePath()) ? " rw" : " ro");
    }
    return files;
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TestCrashCampaign : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void campaign();

private:
    QProcess* startPictor(const QString& mode, const QString& folder, const QString& code, const Config& c,
                          const QString& kill, quint32 seed);
    Run collect(QProcess* p);
    Run runPictor(const QString& mode, const QString& folder, const QString& code, const Config& c,
                  const QString& kill, quint32 seed) {
        return collect(startPictor(mode, folder, code, c, kill, seed));
    }
    void checkAfter(const QString& folder, const QString& code, const QString& mode, bool killed);
    // A finished Make Art session of 3 trials to replay, as subject `code`.
    void copyMadeSession(const QString& folder, const QString& code);

    QTemporaryDir m_dir;
    QString m_template;
    int m_asked = 0, m_refused = 0, m_ready = 0;
};

QProcess* TestCrashCampaign::startPictor(const QString& mode, const QString& folder, const QString& code,
                                         const Config& c, const QString& kill, quint32 seed) {
    auto* p = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("LD_PRELOAD", PICTOR_ROBOT);
    env.insert("PICTOR_ROBOT", mode);
    env.insert("PICTOR_ROBOT_FOLDER", folder);
    env.insert("PICTOR_ROBOT_CODE", code);
    env.insert("PICTOR_ROBOT_TRIALS", QString::number(c.trials));
    env.insert("PICTOR_ROBOT_DELAY", QString::number(c.delay));
    env.insert("PICTOR_ROBOT_FORCED", c.forced);
    env.insert("PICTOR_ROBOT_SEED", QString::number(seed));
    env.insert("PICTOR_ROBOT_KILL", kill);
    p->setProcessEnvironment(env);
    p->start(PICTOR_BINARY, {});
    return p;
}

Run TestCrashCampaign::collect(QProcess* p) {
    Run run;
    if (!p->waitForFinished(60000)) {
        p->kill();
        p->waitForFinished();
        qWarning("pictor did not end within a minute");
        run.exitCode = -1;
    } else {
        run.killed = p->exitStatus() == QProcess::CrashExit && p->exitCode() == SIGKILL;
        run.exitCode = p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -p->exitCode();
    }
    for (const QByteArray& line : p->readAllStandardOutput().split('\n'))
        if (line.startsWith("robot ")) run.events << QString::fromLatin1(line.mid(6));
    delete p;
    return run;
}

void TestCrashCampaign::initTestCase() {
    // The Make Art session that Judge Art runs replay, made without a kill.
    m_template = m_dir.filePath("template/");
    QVERIFY(QDir().mkpath(m_template));
    const Run made = runPictor("make", m_template, "0999", {"make", 3, 0, "111"}, "", 1);
    QCOMPARE(made.exitCode, 0);
    checkAfter(m_template, "0999", "make", false);
}

void TestCrashCampaign::copyMadeSession(const QString& folder, const QString& code) {
    // The subject number heads every results line.
    QByteArray res = read(m_template + "0999res.dat");
    res.replace("999,", QByteArray::number(code.toInt()) + ',');
    QFile art(folder + code + "art.dat"), out(folder + code + "res.dat");
    QVERIFY(art.open(QIODevice::WriteOnly) && out.open(QIODevice::WriteOnly));
    art.write(read(m_template + "0999art.dat"));
    out.write(res);
}

void TestCrashCampaign::checkAfter(const QString& folder, const QString& code, const QString& mode,
                                   bool killed) {
    const QString base = folder + code;
    // Every data file is whole lines that parse, results never outnumber pictures.
    PictureStore store;
    const Status storeRead =
        readPictureStore(read(base + "art.dat"), base + "art.dat", Extent::Partial, &store);
    if (QFile::exists(base + "art.dat")) QVERIFY2(storeRead.isOk(), qPrintable(storeRead.message()));
    QList<ResultsRow> results;
    const Status resRead =
        readResults(read(base + "res.dat"), base + "res.dat", store, code.toInt(), Extent::Partial, &results);
    QVERIFY2(resRead.isOk(), qPrintable(resRead.message()));
    QList<JudgeRow> judged;
    const Status judgeRead = readJudgeResults(read(base + "res2.dat"), base + "res2.dat", results, &judged);
    QVERIFY2(judgeRead.isOk(), qPrintable(judgeRead.message()));
    QList<TimingRow> timed;  // a timing line follows its results line
    const QString timing = base + (mode == "judge" ? "timing2.csv" : "timing.csv");
    const Status timingRead =
        readTiming(read(timing), timing, mode == "judge" ? judged.size() : results.size(), &timed);
    if (QFile::exists(timing)) QVERIFY2(timingRead.isOk(), qPrintable(timingRead.message()));
    // The record parses and agrees with the results: it follows each results
    // line, so after a crash it may trail them by the one line written last.
    const QString recordPath = base + (mode == "judge" ? "session2.json" : "session.json");
    const int lines = static_cast<int>(mode == "judge" ? judged.size() : results.size());
    if (QFile::exists(recordPath)) {
        QString problem;
        const std::optional<RecordContents> record = RecordContents::fromJson(read(recordPath), &problem);
        QVERIFY2(record, qPrintable(recordPath + ": " + problem));
        const int trials = record->trialsCompleted;
        QVERIFY2(trials == lines || (record->status == SessionStatus::Running && trials == lines - 1),
                 qPrintable(QStringLiteral("%1: %2 trials in the record, %3 results lines")
                                .arg(recordPath)
                                .arg(trials)
                                .arg(lines)));
        if (!killed) QCOMPARE(record->status, SessionStatus::Finished);
    } else {
        QCOMPARE(lines, 0);
    }
    // The next start of the subject asks or refuses and, declined, changes nothing.
    const QString own = base + (mode == "judge" ? "res2.dat" : "art.dat");
    const bool finished = QFile::exists(own) && !writable(own);
    const bool any = QFile::exists(own) || QFile::exists(recordPath) ||
                     (mode == "make" && QFile::exists(base + "res.dat"));
    const QMap<QString, QByteArray> before = snapshot(folder);
    SessionSettings settings;
    settings.mode = mode == "judge" ? SessionMode::JudgeArt : SessionMode::MakeArt;
    settings.subjectCode = code;
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
    (finished ? m_refused : any ? m_asked : m_ready)++;
    QMap<QString, QByteArray> then = before;
    then.remove(code + "session.lock");  // a lock a killed session left is no one's
    QCOMPARE(snapshot(folder), then);
}

void TestCrashCampaign::campaign() {
    const int kills = qEnvironmentVariableIsSet("PICTOR_CRASH_KILLS")
                          ? qEnvironmentVariableIntValue("PICTOR_CRASH_KILLS")
                          : 60;
    const quint32 seed = qEnvironmentVariableIsSet("PICTOR_CRASH_SEED")
                             ? static_cast<quint32>(qEnvironmentVariableIntValue("PICTOR_CRASH_SEED"))
                             : 20261206u;
    const int jobs = qMax(1, qEnvironmentVariableIsSet("PICTOR_CRASH_JOBS")
                                 ? qEnvironmentVariableIntValue("PICTOR_CRASH_JOBS")
                                 : 6);
    QRandomGenerator random(seed);
    struct Planned {
        int configIndex;
        QString phase, kill, folder, code;
        quint32 seed;
        QProcess* process = nullptr;
    };
    QList<Planned> plan;
    for (int i = 0; i < kills; ++i) {
        Planned k;
        k.configIndex = static_cast<int>(random.bounded(kConfigs.size()));
        const Config& c = kConfigs[k.configIndex];
        // A phase of a trial and a time into it.
        const QStringList phases{"drawing", "delay", "options", "between"};
        QString phase = phases[static_cast<int>(random.bounded(phases.size()))];
        const int trial = 1 + static_cast<int>(random.bounded(c.trials));
        if (phase == "delay" && (c.delay == 0 || c.forced == "000")) phase = "options";
        if (phase == "options" && c.forced == "000") phase = "drawing";
        if (phase == "between" && trial == c.trials) phase = "options";
        if (phase == "options" && c.forced == "000") phase = "drawing";
        const int span = phase == "drawing" ? 400 : phase == "delay" ? 1000000 : 150000;
        k.kill = QStringLiteral("%1:%2:%3").arg(phase).arg(trial).arg(random.bounded(span));
        k.phase = phase;
        k.folder = m_dir.filePath(QStringLiteral("kill%1/").arg(i));
        k.code = QStringLiteral("%1").arg(1000 + i);
        k.seed = random.generate();
        QVERIFY(QDir().mkpath(k.folder));
        if (c.mode == "judge") copyMadeSession(k.folder, k.code);
        plan << k;
    }
    QMap<QString, int> byPhase;
    int killed = 0;
    for (qsizetype next = 0, done = 0; done < plan.size();) {
        int running = 0;
        for (qsizetype i = done; i < next; ++i) running += plan[i].process != nullptr;
        for (; next < plan.size() && running < jobs; ++next, ++running) {
            Planned& k = plan[next];
            const Config& c = kConfigs[k.configIndex];
            k.process = startPictor(c.mode, k.folder, k.code, c, k.kill, k.seed);
        }
        // The oldest run is checked first, so the report keeps the plan's order.
        Planned& k = plan[done++];
        const Config& c = kConfigs[k.configIndex];
        const Run run = collect(k.process);
        k.process = nullptr;
        QVERIFY2(run.killed || run.exitCode == 0, qPrintable(k.kill + ": " + run.events.join(", ")));
        if (run.killed) {
            ++killed;
            ++byPhase[c.mode + " " + k.phase];
        }
        checkAfter(k.folder, k.code, c.mode, run.killed);
        if (QTest::currentTestFailed()) {
            qWarning("kill %lld (%s, %s): %s", static_cast<long long>(done - 1), qPrintable(c.mode),
                     qPrintable(k.kill), qPrintable(run.events.join(", ")));
            return;
        }
    }
    QStringList counts;
    for (auto it = byPhase.cbegin(); it != byPhase.cend(); ++it)
        counts << QStringLiteral("%1: %2").arg(it.key()).arg(it.value());
    qInfo("seed %u: %d of %d runs killed (%s); next starts asked %d, refused %d, ready %d", seed, killed,
          kills, qPrintable(counts.join(", ")), m_asked, m_refused, m_ready);
    QVERIFY(killed >= kills * 3 / 4);
}

PICTOR_TEST(TestCrashCampaign);

}  // namespace crash_test

#include "tst_crash_campaign.moc"
