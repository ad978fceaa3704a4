// Whether a session may start and what its start writes, decided without
// windows, over real files: each row plants what a folder may hold and says
// what a start must do. A refused or declined start changes nothing.

#include "core/session_start.h"
#include "support/files.h"
#include "support/recording_calls.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace session_start_test {

const QByteArray kStore = "1\r\n1\r\n9,40,50,13,255\r\n";
const QByteArray kResults = "1,1,1,2,3,4,1,4,7,2.5\r\n";
const QByteArray kFinishedRecord =
    R"({"mode": "Make Art", "status": "finished", "settings": {"scales": [{}, {}, {}]}})";

// Plants `items` ("name=content") in the folder: "<ro>" a read-only file,
// "<link>" a link to a file outside, "<fifo>" a named pipe, "<held>" a lock
// another session holds.
void plant(const QString& folder, const QStringList& items, DataDisk& disk, std::unique_ptr<DiskLock>* held) {
    for (const QString& item : items) {
        const QString path = folder + item.section('=', 0, 0), content = item.section('=', 1);
        if (content == "<link>")
            QFile::link(folder + "outside.dat", path);
        else if (content == "<fifo>")
            ::mkfifo(QFile::encodeName(path).constData(), 0644);
        else if (content == "<held>")
            *held = std::move(disk.lock(path).held);
        else
            writeFile(path, content == "<ro>" ? QByteArray("kept\r\n") : content.toUtf8());
        if (content == "<ro>") ::chmod(QFile::encodeName(path).constData(), 0444);
    }
}

SessionSettings settings(bool judge, const QString& code, const QString& folder) {
    SessionSettings s;
    s.mode = judge ? SessionMode::JudgeArt : SessionMode::MakeArt;
    s.subjectCode = code;
    s.dataFolder = folder;
    s.trials = 4;
    s.judgeDelay = 2;
    // No scale is rated, so no setting change can be forced: the start must not record one.
    s.scales = {{{"Nice", "Ugly", false}, {"Odd", "Plain", false}, {"Busy", "Calm", false}}};
    s.forceSettingChange = true;
    s.hideSettings = true;
    return s;
}

class TestSessionStart : public QObject {
    Q_OBJECT
private slots:
    void decide_data();
    void decide();
    void failedStartLeavesNothing_data();
    void failedStartLeavesNothing();
};

void TestSessionStart::decide_data() {
    QTest::addColumn<QString>("start");  // "make" or "judge", a colon, the code
    QTest::addColumn<QStringList>("planted");
    // "start" and the files asked about, in order (none: ready), or parts of the refusal
    QTest::addColumn<QStringList>("expected");
    auto row = [](const char* name, const char* start, const QString& planted, const QString& expected) {
        auto list = [](const QString& joined) {
            return joined.isEmpty() ? QStringList() : joined.split(" | ");
        };
        QTest::newRow(name) << QString(start) << list(planted) << list(expected);
    };
    const QString store = "0001art.dat=" + kStore, results = "0001res.dat=" + kResults;
    const QString both = store + " | " + results;
    row("finished session", "make:0001", "0001art.dat=<ro> | 0001res.dat=<ro>",
        "0001art.dat\" belongs to a finished session of subject 0001 | read-only");
    row("timing file a link", "judge:0001", both + " | 0001timing2.csv=<link>",
        "0001timing2.csv\" is a symbolic link");
    row("finished record beside writable files", "make:0001", both + " | 0001session.json=" + kFinishedRecord,
        "0001session.json\" belongs to a finished | a record that says so");
    row("results a link", "make:0001", "0001res.dat=<link>", "0001res.dat\" is a symbolic link");
    row("picture store a pipe", "make:0001", "0001art.dat=<fifo>", "0001art.dat\" is a named pipe");
    row("another session holds the lock", "make:0001", "0001session.lock=<held> | " + store,
        QString("Subject 0001 is already in a session | Pictor (process %1 on \"%2\")")
            .arg(::getpid())
            .arg(QSysInfo::machineHostName()));
    row("an empty lock file left by a crash", "make:0001", "0001session.lock=", "start");
    row("a living process named in a lock no one holds", "make:0001",
        "0001session.lock=1\nelsewhere\nPictor\n", "start");
    row("nothing there", "make:0001", "", "start");
    row("unfinished Make Art", "make:0001", both + " | 0001session.json={} | 0001timing.csv=x",
        "start | 0001art.dat | 0001res.dat | 0001session.json | 0001timing.csv");
    row("Make Art over an unfinished Judge Art", "make:0001", both + " | 0001res2.dat=x | 0001timing2.csv=x",
        "start | 0001art.dat | 0001res.dat | 0001res2.dat | 0001timing2.csv");
    row("judge: no picture store", "judge:0001", results, "0001art.dat\" | does not exist");
    row("judge: another subject's results", "judge:0001", store + " | 0001res.dat=7,1,1,2,3,4,,,,0\r\n",
        "0001res.dat\" | belongs to subject 7");
    row("judge: unfinished", "judge:0001",
        both + " | 0001res2.dat=x | 0001session2.json={} | 0001timing.csv=x | 0001timing2.csv=x",
        "start | 0001res2.dat | 0001session2.json | 0001timing2.csv");
}

void TestSessionStart::decide() {
    QFETCH(QString, start);
    QFETCH(QStringList, planted);
    QFETCH(QStringList, expected);
    const QStringList replaced = expected.value(0) == "start" ? expected.mid(1) : QStringList();
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    PosixDisk disk;
    std::unique_ptr<DiskLock> held;
    writeFile(folder + "outside.dat", "kept\r\n");
    plant(folder, planted, disk, &held);
    const QMap<QString, QByteArray> before = folderSnapshot(folder);
    const bool judge = start.startsWith("judge");
    const int descriptors = openDescriptors();

    for (bool replace : {false, true}) {
        SessionStart s(disk, settings(judge, start.section(':', 1), folder));
        const StartDecision d = s.decide();
        if (expected.value(0) == "start") {
            QCOMPARE(d.outcome, replaced.isEmpty() ? StartDecision::Outcome::Ready
                                                   : StartDecision::Outcome::AskToReplace);
            QStringList names;
            for (const QString& path : d.replace) names << path.mid(folder.size());
            QCOMPARE(names, replaced);
            QVERIFY(QFile::exists(folder + "0001session.lock"));  // held while asking
        } else {
            QCOMPARE(d.outcome, StartDecision::Outcome::Refused);
            for (const QString& part : expected)
                QVERIFY2(d.refusal.message().contains(part), qPrintable(d.refusal.message()));
        }
        if (!replace || d.outcome == StartDecision::Outcome::Refused) {
            s.cancel();
            QCOMPARE(folderSnapshot(folder), before);  // nothing written, nothing removed
            QCOMPARE(QFile::exists(folder + "0001session.lock"), held != nullptr);
            QCOMPARE(openDescriptors(), descriptors);
            continue;
        }
        Status failure;
        std::unique_ptr<ActiveSession> active = s.begin(RunEnvironment{}, "9.9", &failure);
        QVERIFY2(active, qPrintable(failure.message()));
        for (const QString& name : replaced) QVERIFY(readFile(folder + name) != before.value(name));
        if (!judge) QCOMPARE(readFile(folder + "0001art.dat"), QByteArray("4\r\n"));
        // The whole record but the time it was written.
        RecordContents typed;
        typed.programVersion = "9.9";
        typed.settings = settings(judge, "0001", folder);
        typed.settings.forceSettingChange = false;
        typed.trialsPlanned = judge ? 1 : 4;
        QJsonObject record =
            QJsonDocument::fromJson(readFile(folder + (judge ? "0001session2.json" : "0001session.json")))
                .object();
        QVERIFY(record.take("started").isString());
        QJsonObject wanted = typed.toJson();
        wanted.remove("started");
        QCOMPARE(QJsonDocument(record).toJson(), QJsonDocument(wanted).toJson());
        active.reset();
        QVERIFY(!QFile::exists(folder + "0001session.lock"));
    }
}

void TestSessionStart::failedStartLeavesNothing_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("said");
    QTest::newRow("a folder where the record is written first") << QString("part") << "0003session.json.part";
    QTest::newRow("a disk full after the picture store") << QString("full") << "File too large";
}

void TestSessionStart::failedStartLeavesNothing() {
    // The picture store is made, then the record cannot be written: the
    // store goes again, so the next start is not asked about a session
    // that did not finish.
    QFETCH(QString, fault);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    if (fault == "part") QVERIFY(QDir().mkdir(folder + "0003session.json.part"));
    PosixDisk disk;
    SessionStart start(disk, settings(false, "0003", folder));
    QCOMPARE(start.decide().outcome, StartDecision::Outcome::Ready);
    Status failure;
    {
        const DiskFull full(fault == "full" ? 100 : 1 << 30);
        QVERIFY(!start.begin({}, "9.9", &failure));
    }
    QVERIFY2(failure.message().contains(said), qPrintable(failure.message()));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{});
}

PICTOR_TEST(TestSessionStart);

}  // namespace session_start_test

#include "tst_session_start.moc"
