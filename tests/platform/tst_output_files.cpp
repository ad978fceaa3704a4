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
    QTest::addColumn<bool>("replace");  // the outputs exist and may be replaced
    QTest::newRow("a new file appears in one of two places") << false;
    QTest::newRow("a replaced file is replaced meanwhile") << true;
}

void TestOutputFiles::secondWriter() {
    QFETCH(bool, replace);
    QTemporaryDir dir;
    const QString a = dir.filePath("a.csv"), b = dir.filePath("b.csv");
    if (replace) writeFile(a, "old a"), writeFile(b, "old b");
    {
        OutputFiles first, second;
        QVERIFY(first.claim(a, replace).isOk() && first.claim(b, replace).isOk());
        QVERIFY(second.claim(b, replace).isOk());
        QVERIFY(first.write(a, "first a").isOk() && first.write(b, "first b").isOk());
        QVERIFY(second.write(b, "second").isOk());
        QVERIFY(second.commit().isOk());
        // The first run finds its second place taken: it puts nothing in place.
        const Status s = first.commit();
        QVERIFY2(!s.isOk() && s.message().contains("another program"), qPrintable(s.message()));
    }
    QCOMPARE(readFile(a), replace ? QByteArray("old a") : QByteArray("<missing>"));
    QCOMPARE(readFile(b), QByteArray("second"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
             int(replace) + 1);  // no temporary left
}

PICTOR_TEST(TestOutputFiles);

}  // namespace output_files_test

#include "tst_output_files.moc"
