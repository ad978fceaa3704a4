// The real disk: what it writes, what it refuses, and that a failed write
// leaves whole lines.

#include "platform/disk.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

}  // namespace

class TestDisk : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void writesReachTheDisk();
    void refusals_data();
    void refusals();
    void failedWriteLeavesWholeLines_data();
    void failedWriteLeavesWholeLines();
    void replaceAtomically();

private:
    QTemporaryDir m_dir;
};

void TestDisk::initTestCase() {
    // A write beyond the file size limit then fails with EFBIG, as a full
    // disk fails with ENOSPC, instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
}

void TestDisk::writesReachTheDisk() {
    PosixDisk disk;
    const QString path = m_dir.filePath("0001art.dat");
    QVERIFY(disk.writeNew(path, "3\r\n").isOk());
    QVERIFY(disk.append(path, "1\r\n").isOk());
    QCOMPARE(disk.syncs(), 2);  // every write is synced before the call returns
    QByteArray data;
    QVERIFY(disk.readAll(path, &data).isOk());
    QCOMPARE(data, QByteArray("3\r\n1\r\n"));
    QVERIFY(disk.writeNew(path, "2\r\n").isOk());
    QCOMPARE(contents(path), QByteArray("2\r\n"));
    QVERIFY(disk.makeReadOnly(path).isOk());
    QVERIFY(!disk.inspect(path).writable);
    QVERIFY(disk.remove(path).isOk());
    QCOMPARE(disk.inspect(path).kind, EntryKind::Missing);
}

void TestDisk::refusals_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing folder") << "missing"
                                    << "the data folder";
    QTest::newRow("folder is a file") << "folderfile"
                                      << "is not a folder but a regular file";
    QTest::newRow("read-only file") << "readonly"
                                    << "read-only";
    QTest::newRow("folder in the way") << "folder"
                                       << "it is a folder";
    QTest::newRow("link to another file") << "link"
                                          << "symbolic link";
    QTest::newRow("link to nowhere") << "dangling"
                                     << "symbolic link";
    QTest::newRow("named pipe") << "fifo"
                                << "named pipe";
    QTest::newRow("device") << "device"
                            << "device";
    QTest::newRow("folder without write bits") << "lockeddir"
                                               << "not writable";
}

void TestDisk::refusals() {
    // Every way of writing is refused with the file and the reason, quickly,
    // and leaves whatever was there, or anything a link points to, as it was.
    QFETCH(QString, setup);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    PosixDisk disk;
    QString path = dir.filePath("0001res.dat");
    const QString elsewhere = dir.filePath("elsewhere.dat");
    put(elsewhere, "kept\r\n");
    if (setup == "missing") path = dir.filePath("nowhere/0001res.dat");
    if (setup == "folderfile") path = elsewhere + "/0001res.dat";
    if (setup == "readonly") {
        QVERIFY(disk.writeNew(path, "kept\r\n").isOk());
        QVERIFY(disk.makeReadOnly(path).isOk());
    }
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
    QElapsedTimer timer;
    timer.start();
    QList<Status> results{disk.writeNew(path, "new\r\n"), disk.replaceAtomically(path, "new\r\n")};
    if (setup != "missing" && setup != "folderfile" && setup != "lockeddir")
        results << disk.append(path, "new\r\n");
    if (setup != "readonly" && setup != "lockeddir" && setup != "missing" && setup != "folderfile") {
        QByteArray data;
        results << disk.readAll(path, &data) << disk.makeReadOnly(path);
    }
    for (const Status& s : results) {
        QVERIFY(!s.isOk());
        QVERIFY2(s.message().contains(reason), qPrintable(s.message()));
        QVERIFY2(s.message().contains(path) || s.message().contains("data folder"), qPrintable(s.message()));
    }
    QVERIFY(timer.elapsed() < 2000);
    QCOMPARE(contents(elsewhere), QByteArray("kept\r\n"));
    QVERIFY(!QFile::exists(dir.filePath("outside.dat")));
    if (setup == "readonly") QCOMPARE(contents(path), QByteArray("kept\r\n"));
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
    QVERIFY(disk.writeNew(path, first).isOk());
    rlimit old{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit limit = old;
    limit.rlim_cur = static_cast<rlim_t>(append ? first.size() + 12 : 12);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const QByteArray line = "11,149,97,83.7,8257662\r\n";
    const Status s = append ? disk.append(path, line) : disk.writeNew(path, first + line);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &old), 0);
    QVERIFY(!s.isOk());
    QVERIFY2(s.message().contains(path) && s.message().contains("too large"), qPrintable(s.message()));
    QCOMPARE(contents(path), append ? first : QByteArray());
}

void TestDisk::replaceAtomically() {
    PosixDisk disk;
    const QString path = m_dir.filePath("0001session.json");
    put(path + ".part", "left by a crash");
    QVERIFY(disk.replaceAtomically(path, "{\"a\": 1}\n").isOk());
    QVERIFY(disk.replaceAtomically(path, "{\"a\": 2}\n").isOk());
    QCOMPARE(contents(path), QByteArray("{\"a\": 2}\n"));
    QVERIFY(!QFile::exists(path + ".part"));
    QVERIFY(disk.makeReadOnly(path).isOk());
    const Status s = disk.replaceAtomically(path, "{}");
    QVERIFY(!s.isOk() && s.message().contains("read-only"));
    QCOMPARE(contents(path), QByteArray("{\"a\": 2}\n"));
}

QTEST_GUILESS_MAIN(TestDisk)
#include "tst_disk.moc"
