#include "core/data_reader.h"
#include "core/judge_material_check.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

// Two pictures of 2 and 1 objects and their results lines for subject 42.
const QByteArray kStore =
    "2\r\n2\r\n3,170,100,80.8,16776960\r\n9,40,249,29,32382\r\n1\r\n2,50,60,9.1,255\r\n";
const QByteArray kResults = "42,1,2,11,10,9,6,,1,1.25\r\n42,2,1,3,4,5,,,,0\r\n";

}  // namespace

class TestDataReader : public QObject {
    Q_OBJECT
private slots:
    void store_data();
    void store();
    void storeRefusals_data();
    void storeRefusals();
    void results_data();
    void results();
    void judgeResults_data();
    void judgeResults();
    void corpus_data();
    void corpus();
};

void TestDataReader::store_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("partial");
    QTest::addColumn<QList<int>>("counts");  // objects of each complete picture
    QTest::newRow("written by a session") << kStore << false << QList<int>{2, 1};
    QTest::newRow("one line, blanks")
        << QByteArray(" 1 , 2 ,6,143,207,45,255, 2,88,61,9.1,65280\r\n") << false << QList<int>{2};
    QTest::newRow("LF and lone CR") << QByteArray("1\n1\r9,40,50,13,255\n") << false << QList<int>{1};
    QTest::newRow("values after the last picture ignored")
        << QByteArray("1\r\n0\r\n5\r\nrubbish") << false << QList<int>{0};
    QTest::newRow("other kinds skipped whatever they hold")
        << QByteArray("1\r\n3\r\n0,0,0,0,0\r\n13,-5e9,1e20,-1,99999999\r\n-2,1,1,1.5,1\r\n") << false
        << QList<int>{3};
    QTest::newRow("unfinished: the picture cut short is left out")
        << QByteArray("3\r\n1\r\n9,40,50,13,255\r\n2\r\n9,40,50,13,255\r\n") << true << QList<int>{1};
    QTest::newRow("unfinished: only the count") << QByteArray("4\r\n") << true << QList<int>{};
}

void TestDataReader::store() {
    QFETCH(QByteArray, text);
    QFETCH(bool, partial);
    QFETCH(QList<int>, counts);
    PictureStore store;
    const Status s = readPictureStore(text, "a.dat", partial ? Extent::Partial : Extent::Whole, &store);
    QVERIFY2(s.isOk(), qPrintable(s.message()));
    QCOMPARE(store.pictures.size(), counts.size());
    for (qsizetype i = 0; i < counts.size(); ++i) QCOMPARE(store.pictures[i].objects.size(), counts[i]);
}

void TestDataReader::storeRefusals_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QByteArray() << "ends where the number of trials";
    QTest::newRow("binary") << QByteArray("\x01\x02\xff\r\n", 5) << "line 1: the number of trials is \"???\"";
    QTest::newRow("truncated mid record")
        << QByteArray("1\r\n1\r\n9,40,5") << "line 3: it has no line end, so it may have been cut off";
    QTest::newRow("huge count") << QByteArray("1\r\n99999999999\r\n") << "whole number from 0 to 12";
    QTest::newRow("negative trials") << QByteArray("-5\r\n") << "whole number from 1 to 500";
    QTest::newRow("too few pictures") << QByteArray("3\r\n0\r\n0\r\n") << "ends after 2 of the 3 pictures";
    QTest::newRow("x far outside")
        << QByteArray("1\r\n1\r\n9,1e308,50,13,255\r\n")
        << "the x of object 1 of picture 1 is \"1e308\"; it must lie between -1000000";
    QTest::newRow("y far outside") << QByteArray("1\r\n1\r\n9,50,-2e6,13,255\r\n")
                                   << "the y of object 1 of picture 1";
    QTest::newRow("kind 2 too small for a pen")
        << QByteArray("1\r\n1\r\n2,40,50,1.5,255\r\n")
        << "the size of object 1 of picture 1 is \"1.5\"; it must be above 1.5";
    QTest::newRow("colour too large")
        << QByteArray("1\r\n1\r\n9,40,50,13,16777216\r\n")
        << "the colour of object 1 of picture 1 is \"16777216\"; it must be a whole "
           "number from 0 to 16777215";
    QTest::newRow("fractional kind") << QByteArray("1\r\n1\r\n2.5,40,50,13,255\r\n") << "whole number";
    QTest::newRow("empty field") << QByteArray("1\r\n1\r\n9,,50,13,255\r\n") << "line 3: the x";
    QTest::newRow("nan") << QByteArray("1\r\n1\r\n9,40,50,nan,255\r\n") << "not a number";
    QTest::newRow("colour cut off at the end")
        << QByteArray("1\r\n1\r\n11,40,50,13,825766") << "line 3: it has no line end";
}

void TestDataReader::storeRefusals() {
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    PictureStore store;
    const Status s = readPictureStore(text, "/data/0001art.dat", Extent::Whole, &store);
    QVERIFY(!s.isOk());
    QVERIFY2(s.message().contains(expected), qPrintable(s.message()));
    QVERIFY(s.message().contains("/data/0001art.dat"));
}

void TestDataReader::results_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("partial");
    QTest::addColumn<QString>("expected");  // empty: accepted
    const QByteArray second = "42,2,1,3,4,5,,,,0\r\n";
    QTest::newRow("written by a session") << kResults << false << "";
    QTest::newRow("lines after the last trial ignored") << kResults + "junk\r\n" << false << "";
    QTest::newRow("unfinished: fewer lines") << QByteArray("42,1,2,11,10,9,6,,1,1.25\r\n") << true << "";
    QTest::newRow("too short") << QByteArray("42,1,2,11,10,9,6,,1,1.25\r\n") << false << "holds 1 lines";
    QTest::newRow("more lines than pictures") << kResults + second << true << "only 2 complete pictures";
    QTest::newRow("nine fields") << "42,1,2,11,10,9,6,,1\r\n" + second << false << "line 1: it has 9 fields";
    QTest::newRow("commas only") << QByteArray(",,,\r\n,,,\r\n") << false << "line 1: it has 4 fields";
    QTest::newRow("NUL bytes") << QByteArray("42,1,2,11,10,9,6,,1,\0\r\n", 24) + second << false
                               << "line 1: field 10 (the rating time) is \"?\"";
    QTest::newRow("another subject") << "43,1,2,11,10,9,6,,1,1.25\r\n" + second << false
                                     << "line 1: it belongs to subject 43, not to subject 42";
    QTest::newRow("trials out of order")
        << QByteArray("42,2,2,11,10,9,6,,1,1.25\r\n") + second << false << "line 1: it is numbered trial 2";
    QTest::newRow("object count of another picture")
        << "42,1,1,11,10,9,6,,1,1.25\r\n" + second << false << "it gives 1 objects, but picture 1";
    QTest::newRow("shapes 13") << "42,1,2,13,10,9,6,,1,1.25\r\n" + second << false
                               << "field 4 (the shapes) is \"13\"; it must be a whole number from 1 to 12";
    QTest::newRow("colours 0") << "42,1,2,11,10,0,6,,1,1.25\r\n" + second << false << "field 6 (the colours)";
    QTest::newRow("rating 8") << "42,1,2,11,10,9,6,,8,1.25\r\n" + second << false
                              << "field 9 (rating 3) is \"8\"; it must be a whole number from 1 to 7";
    QTest::newRow("negative time") << "42,1,2,11,10,9,6,,1,-1.25\r\n" + second << false
                                   << "field 10 (the rating time) is \"-1.25\"; it must not be negative";
    QTest::newRow("no time") << "42,1,2,11,10,9,6,,1,\r\n" + second << false << "field 10 (the rating time)";
    QTest::newRow("cut off") << kResults.chopped(2) << false << "line 2: it has no line end";
}

void TestDataReader::results() {
    QFETCH(QByteArray, text);
    QFETCH(bool, partial);
    QFETCH(QString, expected);
    PictureStore store;
    QVERIFY(readPictureStore(kStore, "/d/0042art.dat", Extent::Whole, &store).isOk());
    QList<ResultsLine> lines;
    const Status s =
        readResults(text, "/d/0042res.dat", store, 42, partial ? Extent::Partial : Extent::Whole, &lines);
    QVERIFY2(s.isOk() == expected.isEmpty(), qPrintable(s.message()));
    if (!s.isOk()) {
        QVERIFY2(s.message().contains(expected), qPrintable(s.message()));
        QVERIFY(s.message().contains("/d/0042res.dat"));
        return;
    }
    QCOMPARE(lines[0].settings, (std::array<int, 4>{2, 11, 10, 9}));
    QCOMPARE(lines[0].ratings, (std::array<std::optional<int>, 3>{6, std::nullopt, 1}));
    QCOMPARE(lines[0].time, 1.25);
    QCOMPARE(lines[0].text, QByteArray("42,1,2,11,10,9,6,,1,1.25"));
}

void TestDataReader::judgeResults_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("both trials") << QByteArray(
                                        "42,1,2,11,10,9,6,,1,1.25,7,,2,3.5\r\n42,2,1,3,4,5,,,,0,,,,0\r\n")
                                 << "";
    QTest::newRow("one trial so far") << QByteArray("42,1,2,11,10,9,6,,1,1.25,7,,2,3.5\r\n") << "";
    QTest::newRow("another results line") << QByteArray("42,1,2,11,10,9,5,,1,1.25,7,,2,3.5\r\n")
                                          << "line 1: it does not begin with line 1 of the results file";
    QTest::newRow("judge rating 0") << QByteArray("42,1,2,11,10,9,6,,1,1.25,0,,2,3.5\r\n")
                                    << "field 11 (judge rating 1) is \"0\"";
    QTest::newRow("five judge fields")
        << QByteArray("42,1,2,11,10,9,6,,1,1.25,7,,2,3.5,1\r\n") << "5 judge fields";
    QTest::newRow("three lines") << QByteArray("42,1,2,11,10,9,6,,1,1.25,7,,2,3.5\r\n").repeated(3)
                                 << "holds 3 lines, but the results file holds only 2";
}

void TestDataReader::judgeResults() {
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    PictureStore store;
    QList<ResultsLine> results;
    QVERIFY(readPictureStore(kStore, "a", Extent::Whole, &store).isOk());
    QVERIFY(readResults(kResults, "r", store, 42, Extent::Whole, &results).isOk());
    QList<JudgeLine> judged;
    const Status s = readJudgeResults(text, "/d/0042res2.dat", results, &judged);
    QVERIFY2(s.isOk() == expected.isEmpty(), qPrintable(s.message()));
    if (!s.isOk()) {
        QVERIFY2(s.message().contains(expected) && s.message().contains("/d/0042res2.dat"),
                 qPrintable(s.message()));
        return;
    }
    QCOMPARE(judged[0].ratings, (std::array<std::optional<int>, 3>{7, std::nullopt, 2}));
    QCOMPARE(judged[0].timeText, QByteArray("3.5"));
}

void TestDataReader::corpus_data() {
    // Real files the program wrote, nasty files and every input that once
    // broke the check (those named ok-... must be accepted): each is either
    // accepted and sound, or refused with a message that names the file.
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accepted");
    const QDir dir(QStringLiteral(PICTOR_TEST_DATA "/corpus"));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    QVERIFY(names.size() >= 30);
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << dir.filePath(name) << name.startsWith("ok-");
}

void TestDataReader::corpus() {
    QFETCH(QString, path);
    QFETCH(bool, accepted);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray art, results;
    splitMaterialInput(file.readAll(), &art, &results);
    JudgeMaterial material;
    const Status s =
        checkJudgeMaterial(art, "/d/0042art.dat", results, "/d/0042res.dat", kMaterialSubject, &material);
    QVERIFY2(s.isOk() == accepted, qPrintable(s.message()));
    if (s.isOk())
        QVERIFY(materialIsSound(material));
    else
        QVERIFY(s.message().contains("/d/0042"));
}

QTEST_GUILESS_MAIN(TestDataReader)
#include "tst_data_reader.moc"
