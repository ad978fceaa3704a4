// The real disk: what it writes, what it refuses, that a failed write leaves
// whole lines, that no descriptor is left open, and the lock.

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
    void failedFolderSync();
    void refusals_data();
    void refusals();
    void failedWriteLeavesWholeLines_data();
    void failedWriteLeavesWholeLines();
    void lock_data();
    void lock();

private:
    QTemporaryDir m_dir;
};

void TestDisk::protocol() {
    // Every change reaches the disk before the call returns: a line by a
    // sync of its file, a new or removed name by a sync of the folder, a
    // mode by a sync after it. A new file takes its name, and a record the
    // old record's name, only once its lines are on the disk; a temporary a
    // crash left goes first (files are named by the name they were made
    // under). Nothing stays open.
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
    QByteArray back;
    QVERIFY(disk.readAll(art, &back).isOk());
    QCOMPARE(back, QByteArray("3\r\n1\r\n"));
    QVERIFY(isReadOnly(art));
    QCOMPARE(openDescriptors(), descriptors);
}

void TestDisk::failedFolderSync() {
    // A new file whose name may not have reached the disk is reported, and
    // goes again rather than stay half-made.
    QTemporaryDir dir;
    RecordingCalls calls;
    calls.failKind = FileOp::SyncFolder;
    calls.failAt = 1;
    PosixDisk disk(&calls);
    const QString art = dir.filePath("0001art.dat");
    const Status s = disk.createNew(art, "3\r\n");
    QVERIFY2(!s.isOk() && s.message().contains(art) && s.message().contains("its folder could not be synced"),
             qPrintable(s.message()));
    QVERIFY(!QFile::exists(art));
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
    row("link to nowhere", "dangling", "symbolic link");
    row("named pipe", "fifo", "named pipe");
    row("device", "device", "device");
    row("folder without write bits", "lockeddir", "not writable");
}

void TestDisk::refusals() {
    // Every way of writing is refused with the file and the reason, quickly,
    // leaves whatever was there, or anything a link points to, as it was,
    // and keeps no descriptor open.
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
    if (setup == "dangling") QVERIFY(QFile::link(dir.filePath("outside.dat"), path));
    if (setup == "fifo") QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    if (setup == "device") path = "/dev/null";
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
    QVERIFY(!QFile::exists(dir.filePath("outside.dat")));
    if (setup == "readonly") QCOMPARE(readFile(path), QByteArray("kept\r\n"));
    if (setup == "lockeddir") ::chmod(QFile::encodeName(dir.filePath("locked")).constData(), 0755);
}

void TestDisk::failedWriteLeavesWholeLines_data() {
    QTest::addColumn<bool>("append");
    QTest::newRow("adding a line") << true;
    QTest::newRow("starting a file") << false;
}

void TestDisk::failedWriteLeavesWholeLines() {
    // The disk fills up in the middle of a line: the colour 8257662 must not
    // end up as 825766, which would still read as a colour.
    QFETCH(bool, append);
    PosixDisk disk;
    const QString path = m_dir.filePath(append ? "full-append.dat" : "full-new.dat");
    const QByteArray first = "1\r\n1\r\n";
    if (append) QVERIFY(disk.createNew(path, first).isOk());
    const QByteArray line = "11,149,97,83.7,8257662\r\n";
    Status s;
    {
        const DiskFull full(append ? first.size() + 12 : 12);
        s = append ? disk.append(path, line) : disk.createNew(path, first + line);
    }
    QVERIFY2(!s.isOk() && s.message().contains(path) && s.message().contains("too large"),
             qPrintable(s.message()));
    QCOMPARE(readFile(path), append ? first : QByteArray("<missing>"));  // a file begun for it goes
}

void TestDisk::lock_data() {
    // What a crash or another program may have left where the lock goes.
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("refusal");  // empty: the lock is taken
    auto row = [](const char* name, const char* left, const char* refusal) {
        QTest::newRow(name) << QString(left) << QString(refusal);
    };
    row("nothing", "", "");
    row("empty file, torn at creation", "<empty>", "");
    row("a living process's number, no lock held", "1\nelsewhere\nPictor\n", "");
    row("hard link to a file elsewhere", "<hardlink>", "2 links");
    row("symbolic link", "<symlink>", "symbolic link");
}

void TestDisk::lock() {
    QFETCH(QString, left);
    QFETCH(QString, refusal);
    QTemporaryDir dir;
    const QString path = dir.filePath("0001session.lock"), elsewhere = dir.filePath("elsewhere");
    writeFile(elsewhere, "kept\n");
    if (left == "<hardlink>")
        QCOMPARE(::link(QFile::encodeName(elsewhere), QFile::encodeName(path)), 0);
    else if (left == "<symlink>")
        QVERIFY(QFile::link(elsewhere, path));
    else if (!left.isEmpty())
        writeFile(path, left == "<empty>" ? QByteArray() : left.toUtf8());
    PosixDisk disk;
    const int descriptors = openDescriptors();
    LockAttempt first = disk.lock(path);
    if (!refusal.isEmpty()) {
        QVERIFY(!first.held && !first.busy);
        QVERIFY2(first.error.message().contains(refusal) && first.error.message().contains(path),
                 qPrintable(first.error.message()));
        QCOMPARE(readFile(elsewhere), QByteArray("kept\n"));
        QCOMPARE(openDescriptors(), descriptors);
        return;
    }
    QVERIFY2(first.held, qPrintable(first.error.message()));
    // Held on the open file, so even a second opening in this process finds it busy.
    const LockAttempt second = disk.lock(path);
    QVERIFY(second.busy && !second.held);
    QCOMPARE(second.holder,
             QStringLiteral("process %1 on \"%2\"").arg(::getpid()).arg(QSysInfo::machineHostName()));
    first.held.reset();
    QVERIFY(!QFile::exists(path));
    QCOMPARE(openDescriptors(), descriptors);
    QVERIFY(disk.lock(path).held);
}

PICTOR_TEST(TestDisk);

}  // namespace disk_test

#include "tst_disk.moc"
