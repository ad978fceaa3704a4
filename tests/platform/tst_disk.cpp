// The real disk: what it writes, what it refuses, that a failed write leaves
// whole lines and that no descriptor is left open. The session start's
// tests take the lock.

#include "platform/disk.h"
#include "support/files.h"
#include "support/recording_calls.h"
#include "support/test_main.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace disk_test {

class TestDisk : public QObject {
    Q_OBJECT
private slots:
    void protocol();
    void refusals_data();
    void refusals();
    void failedWrite_data();
    void failedWrite();
};

void TestDisk::protocol() {
    // Every change is synced before the call returns; a new file or record
    // takes its name only once its lines are on the disk (files are named
    // by the name they were made under).
    QTemporaryDir dir;
    RecordingCalls calls;
    PosixDisk disk(&calls);
    const int descriptors = openDescriptors();
    const QString art = dir.filePath("0001art.dat"), record = dir.filePath("0001session.json");
    writeFile(record + ".part", "left by a crash");
    QVERIFY(disk.createNew(art, "3\r\n").isOk());
    QVERIFY(disk.append(art, "1\r\n").isOk());
    QVERIFY(disk.replaceAtomically(record, "{}\n").isOk());
    QVERIFY(disk.makeReadOnly(art).isOk());
    QVERIFY(disk.remove(record).isOk());
    QCOMPARE(
        calls.texts().join(" | "),
        QString("create 0001art.dat.part | write 0001art.dat.part 3 | sync 0001art.dat.part | "
                "rename 0001art.dat.part 0001art.dat | sync folder | write 0001art.dat.part 1 | "
                "sync 0001art.dat.part | unlink 0001session.json.part | create 0001session.json.part | "
                "write 0001session.json.part {} | sync 0001session.json.part | "
                "rename 0001session.json.part 0001session.json | sync folder | mode 0001art.dat.part 444 | "
                "sync 0001art.dat.part | unlink 0001session.json | sync folder"));
    QCOMPARE(openDescriptors(), descriptors);
}

void TestDisk::refusals_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("reason");
    auto row = [](const char* name, const char* setup, const char* reason) {
        QTest::newRow(name) << QString(setup) << QString(reason);
    };
    row("missing folder", "missing", "the data folder");
    row("folder is a file", "folderfile", "is not a folder but a regular file");
    row("read-only file", "readonly", "read-only");
    row("hard link to a file elsewhere", "hardlink", "a file with 2 links");
    row("a file there already", "exists", "exists already");
    row("folder in the way", "folder", "it is a folder");
    row("link to another file", "link", "symbolic link");
    row("named pipe", "fifo", "named pipe");
    row("folder without write bits", "lockeddir", "not writable");
}

void TestDisk::refusals() {
    // Every way of writing, and the lock, is refused with the file and the
    // reason, quickly, leaving what was there or a link points to as it was.
    QFETCH(QString, setup);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    PosixDisk disk;
    QString path = dir.filePath("0001res.dat");
    const QString elsewhere = dir.filePath("elsewhere.dat");
    writeFile(elsewhere, "kept\r\n");
    if (setup == "missing") path = dir.filePath("nowhere/0001res.dat");
    if (setup == "folderfile") path = elsewhere + "/0001res.dat";
    if (setup == "readonly") {
        QVERIFY(disk.createNew(path, "kept\r\n").isOk());
        QVERIFY(disk.makeReadOnly(path).isOk());
    }
    if (setup == "exists") path = elsewhere;
    if (setup == "hardlink") QCOMPARE(::link(QFile::encodeName(elsewhere), QFile::encodeName(path)), 0);
    if (setup == "folder") QVERIFY(QDir(dir.path()).mkdir("0001res.dat"));
    if (setup == "link") QVERIFY(QFile::link(elsewhere, path));
    if (setup == "fifo") QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    if (setup == "lockeddir") {
        QVERIFY(QDir(dir.path()).mkdir("locked"));
        path = dir.filePath("locked/0001res.dat");
        QVERIFY(::chmod(QFile::encodeName(dir.filePath("locked")).constData(), 0555) == 0);
    }
    const int descriptors = openDescriptors();
    QElapsedTimer timer;
    timer.start();
    QList<Status> results{disk.createNew(path, "new\r\n")};
    if (setup != "exists") results << disk.replaceAtomically(path, "new\r\n");
    const bool there =
        setup != "missing" && setup != "folderfile" && setup != "lockeddir" && setup != "exists";
    if (there) results << disk.append(path, "new\r\n");
    if (there && setup != "readonly") results << disk.makeReadOnly(path);
    if (there && setup != "readonly") results << disk.lock(path).error;
    if (there && setup != "readonly" && setup != "hardlink") {
        QByteArray data;
        results << disk.readAll(path, &data);
    }
    for (const Status& s : results) {
        QVERIFY2(!s.isOk() && s.message().contains(reason), qPrintable(s.message()));
        QVERIFY2(s.message().contains(path) || s.message().contains("data folder"), qPrintable(s.message()));
    }
    QVERIFY(timer.elapsed() < 2000);
    QCOMPARE(openDescriptors(), descriptors);
    QCOMPARE(readFile(elsewhere), QByteArray("kept\r\n"));
    QVERIFY(!isReadOnly(elsewhere));
    if (setup == "readonly") QCOMPARE(readFile(path), QByteArray("kept\r\n"));
    if (setup == "lockeddir") ::chmod(QFile::encodeName(dir.filePath("locked")).constData(), 0755);
}

void TestDisk::failedWrite_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full adding a line") << QString("append") << "too large";
    QTest::newRow("folder sync of a new file fails") << QString("sync") << "its folder could not be synced";
}

void TestDisk::failedWrite() {
    // The disk fills up in the middle of a line: the colour 8257662 must not
    // end up as 825766, which would still read as a colour. A new file whose
    // name may not have reached the disk goes again.
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    RecordingCalls calls;
    calls.failKind = FileOp::SyncFolder;
    calls.failAt = fault == "sync";
    PosixDisk disk(&calls);
    const QString path = dir.filePath("0001art.dat");
    const QByteArray first = "1\r\n1\r\n", line = "11,149,97,83.7,8257662\r\n";
    if (fault == "append") QVERIFY(disk.createNew(path, first).isOk());
    Status s;
    {
        const DiskFull full(fault == "sync" ? 1 << 30 : first.size() + 12);
        s = fault == "append" ? disk.append(path, line) : disk.createNew(path, first + line);
    }
    QVERIFY2(!s.isOk() && s.message().contains(path) && s.message().contains(reason),
             qPrintable(s.message()));
    QCOMPARE(readFile(path), fault == "append" ? first : QByteArray("<missing>"));
}

PICTOR_TEST(TestDisk);

}  // namespace disk_test

#include "tst_disk.moc"
