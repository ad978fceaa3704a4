#include "core/data_files.h"
#include "core/value_list.h"

#include <QLocale>
#include <QTest>
#include <clocale>

class TestValueList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void values_data();
    void values();
    void resultsLines_data();
    void resultsLines();
    void paths();
};

void TestValueList::initTestCase() {
    // Every number must keep its period under a decimal-comma locale.
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void TestValueList::values_data() {
    QTest::addColumn<QList<FieldValue>>("fields");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("trials") << QList<FieldValue>{3LL} << QByteArray("3\r\n");
    QTest::newRow("object record") << QList<FieldValue>{6LL, 143.0f, 207.0f, 45.0, 255LL}
                                   << QByteArray("6,143,207,45,255\r\n");
    QTest::newRow("reduced size in double")
        << QList<FieldValue>{2LL, 88.0f, 61.0f, 13 * 0.7, 65280LL} << QByteArray("2,88,61,9.1,65280\r\n");
    QTest::newRow("no trailing zeros") << QList<FieldValue>{13 * 0.9} << QByteArray("11.7\r\n");
    QTest::newRow("float keeps 7 digits") << QList<FieldValue>{8.328125f} << QByteArray("8.328125\r\n");
    QTest::newRow("float rounds to 7") << QList<FieldValue>{1.0f / 3.0f} << QByteArray("0.3333333\r\n");
    QTest::newRow("double rounds to 15")
        << QList<FieldValue>{1.0 / 3.0} << QByteArray("0.333333333333333\r\n");
    QTest::newRow("negative") << QList<FieldValue>{-1.6f, -2LL} << QByteArray("-1.6,-2\r\n");
    QTest::newRow("empty fields keep their commas")
        << QList<FieldValue>{5LL, EmptyValue{}, 2LL} << QByteArray("5,,2\r\n");
    QTest::newRow("all empty") << QList<FieldValue>{EmptyValue{}, EmptyValue{}} << QByteArray(",\r\n");
    QTest::newRow("negative zero") << QList<FieldValue>{-0.0f} << QByteArray("0\r\n");
}

void TestValueList::values() {
    QFETCH(QList<FieldValue>, fields);
    QFETCH(QByteArray, line);
    QCOMPARE(valueListLine(fields), line);
}

void TestValueList::resultsLines_data() {
    QTest::addColumn<bool>("scale2Asked");
    QTest::addColumn<QByteArray>("resLine");
    QTest::addColumn<QByteArray>("res2Line");
    QTest::newRow("all scales") << true << QByteArray("1,1,2,5,7,11,5,3,2,8.328125\r\n")
                                << QByteArray("1,1,2,5,7,11,5,3,2,8.328125,5,3,2,8.328125\r\n");
    QTest::newRow("scale 2 not asked") << false << QByteArray("1,1,2,5,7,11,5,,2,8.328125\r\n")
                                       << QByteArray("1,1,2,5,7,11,5,,2,8.328125,5,,2,8.328125\r\n");
}

void TestValueList::resultsLines() {
    QFETCH(bool, scale2Asked);
    QFETCH(QByteArray, resLine);
    QFETCH(QByteArray, res2Line);
    TrialResults r;
    r.TrialObjects[1] = 2;
    r.TrialShapes[1] = 5;
    r.TrialSizes[1] = 7;
    r.TrialColours[1] = 11;
    r.PleRating[1] = 5;
    if (scale2Asked) r.IntRating[1] = 3;
    r.ComRating[1] = 2;
    r.RatingTime[1] = 8.328125f;
    const QByteArray line = resultsLine(1.0, 1, r);
    QCOMPARE(line, resLine);
    QCOMPARE(judgeResultsLine(line.chopped(2), 1, r), res2Line);
}

void TestValueList::paths() {
    QCOMPARE(dataFilePath("c:\\data", "0007", kArtFile), QString("c:\\data0007art.dat"));
    QCOMPARE(dataFilePath("/tmp/x/", "12", kJudgeResultsFile), QString("/tmp/x/12res2.dat"));
}

QTEST_GUILESS_MAIN(TestValueList)
#include "tst_value_list.moc"
