// Every state a crash could leave, checked with the program's own code. The
// disk's system calls are recorded during three scripted sessions: a Make
// Art session, an unfinished session replaced by a new one, and a Judge Art
// session. A model then builds what each of three kinds of crash could
// leave at every point:
//   killed  the process dies; everything it issued survives;
//   ordered ext4's ordered data mode: what was synced, and any prefix of
//           what followed;
//   weakest POSIX at its weakest: a change survives for sure only once its
//           file (data, mode) or its folder (names) was synced; any other
//           change may be lost, in any combination, and an unsynced line
//           may be cut or zero-filled.
// For each state: the next start in each mode, declined, changes nothing
// and never offers a finished session for Replace or blocks the subject;
// the data tool invents nothing and loses no trial that was synced; the
// old and the new session are never mixed.

#include "analysis/subject_data.h"
#include "analysis/table.h"
#include "core/session_start.h"
#include "runs/trial_run.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/recording_calls.h"
#include "support/test_main.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <functional>

namespace crash_states_test {

// The subject's screen: the runs show nothing; the sliders are fixed.
class NullView final : public TrialView {
public:
    RecordingCanvas canvasCalls;
    void showPrompt(const QString&) override {}
    void showRateButton(const QString&) override {}
    void hideRateButton() override {}
    void showOptions(int) override {}
    void clearOptions(int) override {}
    Canvas& canvas() override { return canvasCalls; }
    void awaitPresentation(PresentationFeedback::Done done) override {
        QTimer::singleShot(0, [done = std::move(done)] { done(FramePresentation{}); });
    }
    void setMakePictureVisible(bool) override {}
    void setSlidersVisible(bool) override {}
    void setSliderLabelsVisible(bool) override {}
    void setInstruction(const QString&) override {}
    CompositionSettings sliderValues() const override { return {3, 4, 5, 6}; }
    void setViewPictureVisible(bool) override {}
    void setInstructionVisible(bool) override {}
};

// One scripted session: `trials` trials of which `done` are rated and
// saved before the session ends (early when done < trials).
void runSession(DataDisk& disk, const QString& folder, SessionMode mode, int trials, int done, bool replace) {
    SessionSettings s;
    s.mode = mode;
    s.subjectCode = "0001";
    s.dataFolder = folder;
    s.trials = trials;
    s.scales = {{{"Nice", "Ugly", true}, {"Odd", "Plain", false}, {"Busy", "Calm", true}}};
    SessionStart start(disk, s);
    const StartDecision d = start.decide();
    QCOMPARE(d.outcome, replace ? StartDecision::Outcome::AskToReplace : StartDecision::Outcome::Ready);
    Status failure;
    const std::unique_ptr<ActiveSession> session = start.begin({}, "9.9", &failure);
    QVERIFY2(session, qPrintable(failure.message()));
    FakeClock clock;
    ScriptedRandom random;
    FakeTimer* timer = nullptr;
    NullView view;
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
    }
    QCoreApplication::processEvents();  // the last trial's frame, and its timing line
    if (done < trials) run->abandon();
}

// The folder as a crash left it: names, and per file its bytes and mode.
struct ModelFile {
    QByteArray data;
    unsigned mode = 0644;
};
struct State {
    QMap<QString, int> names;  // name -> file
    QMap<int, ModelFile> files;
};

void apply(const FileOp& op, State* s) {
    switch (op.kind) {
    case FileOp::Create:
        s->files[op.file] = {{}, op.mode};
        s->names[op.path] = op.file;
        break;
    case FileOp::Write: {
        QByteArray& d = s->files[op.file].data;
        if (d.size() < op.offset + op.data.size()) d.resize(op.offset + op.data.size(), '\0');
        d.replace(op.offset, op.data.size(), op.data);
        break;
    }
    case FileOp::Truncate: s->files[op.file].data.resize(op.offset, '\0'); break;
    case FileOp::Mode: s->files[op.file].mode = op.mode & 0777; break;
    case FileOp::Rename:
        if (s->names.contains(op.path)) s->names[op.to] = s->names.take(op.path);
        break;
    case FileOp::Unlink: s->names.remove(op.path); break;
    case FileOp::Sync:
    case FileOp::SyncFolder: break;
    }
}

bool isNameChange(const FileOp& op) {
    return op.kind == FileOp::Create || op.kind == FileOp::Rename || op.kind == FileOp::Unlink;
}

// Whether op i of the first k is sure to be on the disk in the weakest model.
bool persisted(const QList<FileOp>& ops, qsizetype i, qsizetype k) {
    if (ops[i].kind == FileOp::Sync || ops[i].kind == FileOp::SyncFolder) return true;
    for (qsizetype j = i + 1; j < k; ++j) {
        if (isNameChange(ops[i]) && ops[j].kind == FileOp::SyncFolder) return true;
        if (!isNameChange(ops[i]) && ops[j].kind == FileOp::Sync && ops[j].file == ops[i].file) return true;
    }
    return false;
}

// Every state of the model from `base` and the first k ops; `each` sees them.
void statesAt(const State& base, const QList<FileOp>& ops, qsizetype k, const QString& model,
              const std::function<void(const State&)>& each) {
    if (model != "weakest") {
        // killed: all k ops; ordered: from the last sync on, any prefix. The
        // killed states at k and the ordered ones up to k are the same set,
        // so ordered adds the prefixes that end before k.
        qsizetype from = k;
        if (model == "ordered")
            while (from > 0 && ops[from - 1].kind != FileOp::Sync && ops[from - 1].kind != FileOp::SyncFolder)
                --from;
        for (qsizetype end = from; end <= k; ++end) {
            State s = base;
            for (qsizetype i = 0; i < end; ++i) apply(ops[i], &s);
            each(s);
        }
        return;
    }
    QList<qsizetype> loose;
    for (qsizetype i = 0; i < k; ++i)
        if (!persisted(ops, i, k)) loose << i;
    // Per loose op: kept, lost, and for a line also cut in half or zero-filled.
    QList<int> choice(loose.size(), 0);
    for (;;) {
        State s = base;
        for (qsizetype i = 0, l = 0; i < k; ++i) {
            FileOp op = ops[i];
            const int c = l < loose.size() && loose[l] == i ? choice[l++] : 0;
            if (c == 1) continue;
            if (c == 2) op.data = op.data.left(op.data.size() / 2);
            if (c == 3) op.data.fill('\0');
            apply(op, &s);
        }
        each(s);
        qsizetype l = 0;
        for (; l < loose.size(); ++l) {
            const int choices = ops[loose[l]].kind == FileOp::Write ? 4 : 2;
            if (++choice[l] < choices) break;
            choice[l] = 0;
        }
        if (l == loose.size()) return;
    }
}

void materialize(const State& s, const QString& folder) {
    for (auto it = s.names.cbegin(); it != s.names.cend(); ++it) {
        const QString path = folder + it.key();
        writeFile(path, s.files[it.value()].data);
        ::chmod(QFile::encodeName(path).constData(), s.files[it.value()].mode);
    }
}

QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files))
        if (!f.fileName().endsWith("session.lock"))
            files[f.fileName()] = readFile(f.filePath()) + (f.isWritable() ? "" : " read-only");
    return files;
}

// The lines of a results file that were synced before op k: the trials no
// crash may lose.
int syncedLines(const QList<FileOp>& ops, qsizetype k, const QString& name) {
    int file = 0, lines = 0;
    for (qsizetype i = 0; i < k; ++i) {
        if (ops[i].kind == FileOp::Create && ops[i].path == name) file = ops[i].file;
        if (ops[i].kind == FileOp::Write && ops[i].file == file && persisted(ops, i, k))
            lines += ops[i].data.count('\n');
    }
    return lines;
}

class TestCrashStates : public QObject {
    Q_OBJECT
private slots:
    void states_data();
    void states();
};

void TestCrashStates::states_data() {
    QTest::addColumn<QString>("scenario");
    for (const char* scenario : {"make", "replace", "judge"})
        for (const char* model : {"killed", "ordered", "weakest"})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(scenario, model)))
                << QStringLiteral("%1 %2").arg(scenario, model);
}

void TestCrashStates::states() {
    QFETCH(QString, scenario);
    const QString kind = scenario.section(' ', 0, 0), model = scenario.section(' ', 1);
    // Record the scenario's system calls over a real folder.
    QTemporaryDir recorded;
    const QString folder = recorded.path() + "/";
    RecordingCalls calls;
    PosixDisk recording(&calls);
    State base;
    if (kind == "judge") {
        PosixDisk plain;
        runSession(plain, folder, SessionMode::MakeArt, 2, 2, false);
        int file = -1;
        for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files)) {
            base.names[f.fileName()] = file;
            base.files[file--] = {readFile(f.filePath()), f.isWritable() ? 0644u : 0444u};
        }
    }
    if (kind == "replace") runSession(recording, folder, SessionMode::MakeArt, 2, 1, false);
    const qsizetype replaceFrom = calls.ops.size();
    runSession(recording, folder, kind == "judge" ? SessionMode::JudgeArt : SessionMode::MakeArt, 2, 2,
               kind == "replace");
    const QList<FileOp>& ops = calls.ops;
    const QString results = kind == "judge" ? "0001res2.dat" : "0001res.dat";

    PosixDisk disk;
    int states = 0, asked = 0, refused = 0, ready = 0;
    for (qsizetype k = 0; k <= ops.size(); ++k) {
        const int synced = syncedLines(ops, k, results);
        statesAt(base, ops, k, model, [&](const State& s) {
            if (QTest::currentTestFailed()) return;
            ++states;
            QTemporaryDir dir;
            const QString f = dir.path() + "/";
            materialize(s, f);
            const QMap<QString, QByteArray> before = snapshot(f);
            const QString where =
                QStringLiteral("op %1 of %2 (%3)").arg(k).arg(ops.size()).arg(before.keys().join(' '));
            // The old session and the new are never mixed.
            if (kind == "replace") {
                bool old = false, fresh = false;
                for (auto it = s.names.cbegin(); it != s.names.cend(); ++it) {
                    qsizetype created = 0;
                    while (created < ops.size() &&
                           !(ops[created].kind == FileOp::Create && ops[created].file == it.value()))
                        ++created;
                    (created < replaceFrom ? old : fresh) = true;
                }
                QVERIFY2(!(old && fresh), qPrintable("mixed sessions at " + where));
            }
            // The next start in each mode, declined.
            for (SessionMode mode : {SessionMode::MakeArt, SessionMode::JudgeArt}) {
                SessionSettings settings;
                settings.mode = mode;
                settings.subjectCode = "0001";
                settings.dataFolder = f;
                SessionStart start(disk, settings);
                const StartDecision d = start.decide();
                start.cancel();
                QVERIFY2(!d.refusal.message().contains("already in a session"), qPrintable(where));
                const QString record =
                    f + (mode == SessionMode::MakeArt ? "0001session.json" : "0001session2.json");
                QString problem;
                const std::optional<RecordContents> r = RecordContents::fromJson(readFile(record), &problem);
                if (r && r->status == SessionStatus::Finished)
                    QVERIFY2(d.outcome == StartDecision::Outcome::Refused,
                             qPrintable("finished offered at " + where));
                (d.outcome == StartDecision::Outcome::Refused ? refused
                 : d.outcome == StartDecision::Outcome::Ready ? ready
                                                              : asked)++;
                QCOMPARE(snapshot(f), before);
            }
            // The data tool invents nothing and loses no synced trial.
            if (!s.names.contains("0001art.dat")) return;
            QStringList leftOut;
            const QList<FoundSubject> found = findSubjects({f}, &leftOut);
            QVERIFY2(found.size() == 1, qPrintable(where + ": " + leftOut.join(' ')));
            SubjectData data;
            const Status loaded = loadSubject(disk, found[0], &data);
            QVERIFY2(loaded.isOk(), qPrintable(where + ": " + loaded.message()));
            const qsizetype rated = kind == "judge" ? data.judged.size() : data.results.size();
            QVERIFY2(
                rated >= synced,
                qPrintable(QStringLiteral("%1 of %2 synced trials at %3").arg(rated).arg(synced).arg(where)));
            const QByteArray written = readFile(folder + results);
            for (qsizetype t = 0; t < rated; ++t) {
                const QByteArray line = kind == "judge" ? data.judged[t].encode() : data.results[t].encode();
                QVERIFY2(written.split('\n').value(t) + '\n' == line, qPrintable("invented at " + where));
            }
        });
        if (QTest::currentTestFailed()) return;
    }
    qInfo("%s: %d ops, %d states; next starts asked %d, refused %d, ready %d", qPrintable(scenario),
          static_cast<int>(ops.size()), states, asked, refused, ready);
}

PICTOR_TEST(TestCrashStates);

}  // namespace crash_states_test

#include "tst_crash_states.moc"
