// The data tool's outputs: a second writer never silently replaces the
// first, and a run puts all its outputs in place or none.

#include "platform/output_files.h"
#include "support/files.h"
#include "support/test_main.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace output_files_test {

class TestOutputFiles : public QObject {
    Q_OBJECT
private slots:
    void secondWriter_data();
    void secondWriter();
};

void TestOutputFiles::secondWriter_data() {
    QTest::addColumn<bool>("replace");  // the output exists and may be replaced
    QTest::addColumn<bool>("other");    // the second writer puts another file in place meanwhile
    QTest::newRow("two writers of a new file") << false << false;
    QTest::newRow("two writers replacing a file") << true << false;
    QTest::newRow("a new file appears in one of two places") << false << true;
    QTest::newRow("a replaced file is replaced meanwhile") << true << true;
}

void TestOutputFiles::secondWriter() {
    QFETCH(bool, replace);
    QFETCH(bool, other);
    QTemporaryDir dir;
    const QString a = dir.filePath("a.csv"), b = dir.filePath("b.csv");
    if (replace) writeFile(a, "old a"), writeFile(b, "old b");
    {
        OutputFiles first, second;
        QVERIFY(first.claim(a, replace).isOk() && first.claim(b, replace).isOk());
        QVERIFY(second.claim(other ? b : a, replace).isOk());
        QVERIFY(first.write(a, "first a").isOk() && first.write(b, "first b").isOk());
        QVERIFY(second.write(other ? b : a, "second").isOk());
        QVERIFY(second.commit().isOk());
        // The first run finds its place taken: it puts nothing in place.
        const Status s = first.commit();
        QVERIFY2(!s.isOk() && s.message().contains("another program"), qPrintable(s.message()));
    }
    QCOMPARE(readFile(a), other ? (replace ? QByteArray("old a") : QByteArray("<missing>")) : "second");
    QCOMPARE(readFile(b), other ? QByteArray("second") : (replace ? QByteArray("old b") : "<missing>"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
             int(QFile::exists(a)) + int(QFile::exists(b)));  // no temporary left
}

PICTOR_TEST(TestOutputFiles);

}  // namespace output_files_test

#include "tst_output_files.moc"
