#include "core/judge_material_check.h"
#include "core/picture_store.h"

#include <QDir>
#include <QFile>

#include <QTest>

class TestPictureStore : public QObject {
    Q_OBJECT
private slots:
    void parses_data();
    void parses();
    void rejects_data();
    void rejects();
    void splitsLines();
    void corpus_data();
    void corpus();
};

void TestPictureStore::parses_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<int>>("counts");
    QTest::newRow("written by a session")
        << QByteArray("2\r\n1\r\n2,50,60,9.1,255\r\n0\r\n") << QList<int>{1, 0};
    QTest::newRow("one line, blanks")
        << QByteArray(" 1 , 2 ,6,143,207,45,255, 2,88,61,9.1,65280") << QList<int>{2};
    QTest::newRow("LF and lone CR") << QByteArray("1\n1\r9,40,50,13,255") << QList<int>{1};
    QTest::newRow("values after the last picture ignored")
        << QByteArray("1\r\n0\r\n5\r\nrubbish\r\n") << QList<int>{0};
    QTest::newRow("unknown kinds kept")
        << QByteArray("1\r\n2\r\n0,1,1,5,1\r\n99,1,1,5,1\r\n") << QList<int>{2};
}

void TestPictureStore::parses() {
    QFETCH(QByteArray, text);
    QFETCH(QList<int>, counts);
    PictureStore store;
    const Status s = parsePictureStore(text, "a.dat", &store);
    QVERIFY2(s.isOk(), qPrintable(s.message()));
    QCOMPARE(store.trials, counts.size());
    for (qsizetype i = 0; i < counts.size(); ++i) QCOMPARE(store.pictures[i].objects.size(), counts[i]);
}

void TestPictureStore::rejects_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QByteArray() << "ends where the number of trials";
    QTest::newRow("binary") << QByteArray("\x01\x02\xff", 3) << "not a number";
    QTest::newRow("truncated mid record") << QByteArray("1\r\n1\r\n9,40,5") << "ends where the size";
    QTest::newRow("huge count") << QByteArray("1\r\n99999999999\r\n") << "whole number from 0 to 12";
    QTest::newRow("negative trials") << QByteArray("-5\r\n") << "whole number from 1 to 500";
    QTest::newRow("fraction of trials") << QByteArray("2.5\r\n") << "whole number";
    QTest::newRow("infinity") << QByteArray("1\r\n1\r\n9,inf,50,13,255\r\n") << "not a number";
    QTest::newRow("x far outside") << QByteArray("1\r\n1\r\n9,1e308,50,13,255\r\n") << "the x of object 1";
    QTest::newRow("y far outside") << QByteArray("1\r\n1\r\n9,50,-2e6,13,255\r\n") << "the y of object 1";
    QTest::newRow("1e400 overflows") << QByteArray("1\r\n1\r\n9,1e400,50,13,255\r\n") << "not a number";
    QTest::newRow("zero size") << QByteArray("1\r\n1\r\n9,40,50,0,255\r\n") << "size";
    QTest::newRow("kind 2 too small for a pen") << QByteArray("1\r\n1\r\n2,40,50,1.5,255\r\n") << "above 1.5";
    QTest::newRow("colour too large") << QByteArray("1\r\n1\r\n9,40,50,13,16777216\r\n") << "colour";
    QTest::newRow("empty field") << QByteArray("1\r\n1\r\n9,,50,13,255\r\n") << "line 3";
    QTest::newRow("trailing comma") << QByteArray("1\r\n1,\r\n9,40,50,13,255\r\n") << "line 2";
    QTest::newRow("decimal comma") << QByteArray("1\r\n1\r\n2,40,50,9;1,255\r\n") << "not a number";
}

void TestPictureStore::rejects() {
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    PictureStore store;
    const Status s = parsePictureStore(text, "/data/0001art.dat", &store);
    QVERIFY(!s.isOk());
    QVERIFY2(s.message().contains(expected), qPrintable(s.message()));
    QVERIFY(s.message().contains("/data/0001art.dat"));
}

void TestPictureStore::splitsLines() {
    QCOMPARE(splitLines("a\r\nb\nc\rd"), (QList<QByteArray>{"a", "b", "c", "d"}));
    QCOMPARE(splitLines("a\r\n\r\nb\r\n"), (QList<QByteArray>{"a", "", "b"}));
    QCOMPARE(splitLines(""), QList<QByteArray>{});
}

void TestPictureStore::corpus_data() {
    // Real files the program wrote, nasty files and every input that once
    // broke the check (those named ok-... must be accepted): each is either
    // accepted and sound, or refused with a message that names the file.
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accepted");
    const QDir dir(QStringLiteral(PICTOR_TEST_DATA "/corpus"));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    QVERIFY(names.size() >= 15);
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << dir.filePath(name) << name.startsWith("ok-");
}

void TestPictureStore::corpus() {
    QFETCH(QString, path);
    QFETCH(bool, accepted);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray art, results;
    splitMaterialInput(file.readAll(), &art, &results);
    JudgeMaterial material;
    const Status s = checkJudgeMaterial(art, "/d/0001art.dat", results, "/d/0001res.dat", &material);
    QVERIFY2(s.isOk() == accepted, qPrintable(s.message()));
    if (s.isOk())
        QVERIFY(materialIsSound(material));
    else
        QVERIFY(s.message().contains("/d/0001"));
}

QTEST_GUILESS_MAIN(TestPictureStore)
#include "tst_picture_store.moc"
