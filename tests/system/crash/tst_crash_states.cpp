// Every state a crash could leave, checked with the program's own code: the
// disk calls of three scripted sessions (Make Art, an unfinished one replaced,
// Judge Art) are recorded; after each call, every state a model allows is
// checked. Killed: all issued calls survive; ordered (ext4): what was synced
// and any prefix of the rest; weakest: a change is sure once its file (for a
// name, its folder) was synced; an unsynced line may be lost, cut or zeroed.

#include "analysis/subject_data.h"
#include "core/session_start.h"
#include "runs/trial_run.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/log_view.h"
#include "support/recording_calls.h"
#include "support/test_main.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace crash_states_test {

using Outcome = StartDecision::Outcome;

SessionSettings settingsFor(SessionMode mode, const QString& folder) {
    return {.mode = mode,
            .subjectCode = "0001",
            .dataFolder = folder,
            .trials = 2,
            .scales = {{{"Nice", "Ugly", true}, {"Odd", "Plain", false}, {"Busy", "Calm", true}}}};
}

// A scripted session of two trials, ended early after the first when `done` is 1.
void runSession(DataDisk& disk, const QString& folder, SessionMode mode, int done, Outcome start) {
    SessionStart starting(disk, settingsFor(mode, folder));
    QCOMPARE(starting.decide().outcome, start);
    Status failure;
    const std::unique_ptr<ActiveSession> session = starting.begin({}, "9.9", &failure);
    QVERIFY2(session, qPrintable(failure.message()));
    FakeClock clock;
    ScriptedRandom random;
    FakeTimer* timer = nullptr;
    LogView view;
    const std::unique_ptr<TrialRun> run = TrialRun::create(
        *session, {clock, random, [&timer] { return std::unique_ptr<Timer>(timer = new FakeTimer); }}, view);
    for (int t = 1; t <= done; ++t) {
        run->startTrial();
        for (int scale : {1, 3}) {
            timer->fire();
            run->ratePressed();
            run->optionSelected(scale, (t + scale) % 7 + 1);
            QCoreApplication::processEvents();
        }
        view.awaiting.takeFirst()(FramePresentation{});  // no frame is known here
    }
    if (done < 2) run->abandon();
}

// The folder as a crash left it: its names, and per file its bytes and mode.
struct State {
    QMap<QString, int> names;  // name -> file
    QMap<int, QByteArray> data;
    QMap<int, unsigned> modes;
};

void apply(const FileOp& op, State* s) {
    QByteArray& data = s->data[op.file];
    if (op.kind == FileOp::Create) s->names[op.path] = op.file;
    if (op.kind == FileOp::Create || op.kind == FileOp::Mode) s->modes[op.file] = op.mode & 0777;
    if (op.kind == FileOp::Write) data.resize(qMax(data.size(), op.offset + op.data.size()), '\0');
    if (op.kind == FileOp::Write) data.replace(op.offset, op.data.size(), op.data);
    if (op.kind == FileOp::Truncate) data.resize(op.offset, '\0');
    if (op.kind == FileOp::Rename && s->names.contains(op.path)) s->names[op.to] = s->names.take(op.path);
    if (op.kind == FileOp::Unlink) s->names.remove(op.path);
}

bool isSync(const FileOp& op) { return op.kind == FileOp::Sync || op.kind == FileOp::SyncFolder; }

// Whether op i of the first k is sure to be on the disk in the weakest model.
bool persisted(const QList<FileOp>& ops, qsizetype i, qsizetype k) {
    if (isSync(ops[i])) return true;
    const bool name =
        ops[i].kind == FileOp::Create || ops[i].kind == FileOp::Rename || ops[i].kind == FileOp::Unlink;
    for (qsizetype j = i + 1; j < k; ++j)
        if (name ? ops[j].kind == FileOp::SyncFolder
                 : ops[j].kind == FileOp::Sync && ops[j].file == ops[i].file)
            return true;
    return false;
}

// The trials no crash may lose after the first k ops: the lines sure to be on
// the disk of the results file `name`, if made after the first `oldFiles` files.
int syncedLines(const QList<FileOp>& ops, qsizetype k, const QString& name, qsizetype oldFiles) {
    State s;
    for (qsizetype i = 0; i < k; ++i)
        if (persisted(ops, i, k)) apply(ops[i], &s);
    const int file = s.names.value(name);
    return file > oldFiles ? static_cast<int>(s.data[file].count('\n')) : 0;
}

// Every state the model allows after the first k ops. Ordered adds the
// prefixes since the last sync (the killed states of earlier k); weakest keeps
// (0), loses (1), or for a line cuts (2) or zero-fills (3) each unsynced op.
QList<State> statesAt(const QList<FileOp>& ops, qsizetype k, const QString& model) {
    qsizetype from = k;
    while (model == "ordered" && from > 0 && !isSync(ops[from - 1])) --from;
    QList<qsizetype> loose;
    for (qsizetype i = 0; model == "weakest" && i < k; ++i)
        if (!persisted(ops, i, k)) loose << i;
    QList<State> states;
    for (qsizetype end = from; end <= k; ++end) {
        for (QList<int> choice(loose.size(), 0);;) {
            State s;
            for (qsizetype i = 0, l = 0; i < end; ++i) {
                FileOp op = ops[i];
                const int c = l < loose.size() && loose[l] == i ? choice[l++] : 0;
                if (c == 1) continue;
                if (c == 2) op.data.truncate(op.data.size() / 2);
                if (c == 3) op.data.fill('\0');
                apply(op, &s);
            }
            states << s;
            qsizetype l = 0;
            while (l < loose.size() && ++choice[l] == (ops[loose[l]].kind == FileOp::Write ? 4 : 2))
                choice[l++] = 0;
            if (l == loose.size()) break;
        }
    }
    return states;
}

class TestCrashStates : public QObject {
    Q_OBJECT
private slots:
    void states_data();
    void states();
};

void TestCrashStates::states_data() {
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QString>("model");
    for (const char* scenario : {"make", "replace", "judge"})
        for (const char* model : {"killed", "ordered", "weakest"})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(scenario, model))) << scenario << model;
}

void TestCrashStates::states() {
    QFETCH(QString, scenario);
    QFETCH(QString, model);
    // Judge Art replays a finished Make Art session, whose states are the make scenario's.
    QTemporaryDir recorded;
    const QString folder = recorded.path() + "/";
    RecordingCalls calls;
    PosixDisk recording(&calls), disk;
    const bool judge = scenario == "judge";
    if (scenario != "make")
        runSession(recording, folder, SessionMode::MakeArt, judge ? 2 : 1, Outcome::Ready);
    const qsizetype first = judge ? calls.ops.size() : 0;
    const auto oldFiles = std::count_if(calls.ops.cbegin(), calls.ops.cend(),
                                        [](const FileOp& op) { return op.kind == FileOp::Create; });
    runSession(recording, folder, judge ? SessionMode::JudgeArt : SessionMode::MakeArt, 2,
               scenario == "replace" ? Outcome::AskToReplace : Outcome::Ready);
    const QList<FileOp>& ops = calls.ops;
    const QString resultsName = judge ? "0001res2.dat" : "0001res.dat";
    const QList<QByteArray> results = readFile(folder + resultsName).split('\n');

    int states = 0, outcomes[3] = {};  // by Outcome: refused, asked, ready
    for (qsizetype k = first; k <= ops.size() && !QTest::currentTestFailed(); ++k) {
        const int synced = syncedLines(ops, k, resultsName, oldFiles);
        for (const State& s : statesAt(ops, k, model)) {
            ++states;
            QTemporaryDir dir;
            const QString f = dir.path() + "/";
            for (auto it = s.names.cbegin(); it != s.names.cend(); ++it) {
                writeFile(f + it.key(), s.data[*it]);
                ::chmod(QFile::encodeName(f + it.key()).constData(), s.modes[*it]);
            }
            const QMap<QString, QByteArray> before = folderSnapshot(f);
            const QString where = QString("op %1 (%2)").arg(k - first).arg(before.keys().join(' '));
            bool old = false, fresh = false;
            for (int file : s.names) (file <= oldFiles ? old : fresh) = true;
            QVERIFY2(!(old && fresh) || judge, qPrintable("mixed sessions at " + where));
            for (SessionMode mode : {SessionMode::MakeArt, SessionMode::JudgeArt}) {
                SessionStart start(disk, settingsFor(mode, f));
                const StartDecision d = start.decide();
                start.cancel();
                QVERIFY2(!d.refusal.message().contains("already in a session"), qPrintable(where));
                QString problem;
                const auto record = RecordContents::fromJson(
                    readFile(f + (mode == SessionMode::MakeArt ? "0001session.json" : "0001session2.json")),
                    &problem);
                QVERIFY2(
                    !record || record->status != SessionStatus::Finished || d.outcome == Outcome::Refused,
                    qPrintable("finished offered at " + where));
                ++outcomes[static_cast<int>(d.outcome)];
                QCOMPARE(folderSnapshot(f), before);
            }
            if (!s.names.contains("0001art.dat")) continue;
            QStringList leftOut;
            const QList<FoundSubject> found = findSubjects({f}, &leftOut);
            QVERIFY2(found.size() == 1, qPrintable(where + ": " + leftOut.join(' ')));
            SubjectData data;
            const Status loaded = loadSubject(disk, found[0], &data);
            QVERIFY2(loaded.isOk(), qPrintable(where + ": " + loaded.message()));
            const qsizetype rated = judge ? data.judged.size() : data.results.size();
            QVERIFY2(rated >= synced,
                     qPrintable(QString("%1 of %2 synced trials at ").arg(rated).arg(synced) + where));
            for (qsizetype t = 0; t < rated; ++t)
                QVERIFY2(
                    results.value(t) + '\n' == (judge ? data.judged[t].encode() : data.results[t].encode()),
                    qPrintable("invented at " + where));
        }
    }
    qInfo("%s %s: %d ops, %d states; next starts asked %d, refused %d, ready %d", qPrintable(scenario),
          qPrintable(model), static_cast<int>(ops.size() - first), states, outcomes[1], outcomes[0],
          outcomes[2]);
}

PICTOR_TEST(TestCrashStates);

}  // namespace crash_states_test

#include "tst_crash_states.moc"
