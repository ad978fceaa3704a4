#include "support/test_session.h"

#include "core/value_list.h"
#include "platform/disk.h"
#include "runs/judge_art_run.h"
#include "runs/trial_run.h"
#include "widgets/canvas_widget.h"

#include <QCheckBox>
#include "core/version.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// Results lines for pictures of 0, 3 and 1 objects.
const QByteArray kRes = "1,1,0,12,11,10,1,4,7,2.5\r\n1,2,3,9,8,7,2,,5,3.25\r\n1,3,1,1,1,1,7,7,7,1\r\n";

JudgeArtRun& judgeRun(TestSession& t) { return static_cast<JudgeArtRun&>(t.main()->run()); }

void viewPicture(TestSession& t) { QTest::mouseClick(t.main()->ui().Command2, Qt::LeftButton); }

QByteArray judgeTime(const TestSession& t, int trial) {
    return formatValue(*t.main()->run().results().RatingTime[trial]);
}

}  // namespace

class TestJudgeArtSession : public QObject {
    Q_OBJECT
private slots:
    void replay();
    void nothingForcedKeepsPicture();
    void roundTrip();
    void fullDiskStopsSession();
    void refusals_data();
    void refusals();
};

void TestJudgeArtSession::replay() {
    TestSession t;
    t.openSetup();
    // Two pictures: an empty one, then kinds 0 and 13 around a kind-2 record.
    writeFile(t.folder() + "0001art.dat",
              "2\r\n0\r\n3\r\n0,10,10,50,255\r\n 2 , 50 ,60, 9.1,255\r\n13,1,1,1,1\r\n");
    writeFile(t.folder() + "0001res.dat", kRes);
    t.setup().HScroll1->setValue(9);  // ignored: the store says 2
    t.startJudgeArt();
    QVERIFY(t.main());
    const MainWidgets& u = t.main()->ui();

    viewPicture(t);
    QCOMPARE(t.session->module1.NumTrials, std::int16_t(2));
    QCOMPARE(*judgeRun(t).objectCount(), 0);
    QVERIFY(!u.Command2->isVisible());
    QVERIFY(t.rate({1, 2, 3}));
    QVERIFY(u.Command2->isVisible());
    QVERIFY(!u.Label10->isVisible());
    QCOMPARE(readFile(t.file("res2.dat")), "1,1,0,12,11,10,1,4,7,2.5,1,2,3," + judgeTime(t, 1) + "\r\n");

    viewPicture(t);
    QCOMPARE(*judgeRun(t).objectCount(), 3);
    // The kind-2 record of 9.1 is drawn with pen 3 and size 6.37: its left
    // side runs from y 60 to 66.37 at x 50.
    const QImage& image = u.Picture1->image();
    auto px = [&](double x, double y) {
        return image.pixelColor(qRound(x * PainterCanvas::kPixelsPerUnit),
                                qRound(y * PainterCanvas::kPixelsPerUnit));
    };
    QCOMPARE(px(50, 63), QColor(255, 0, 0));
    QCOMPARE(px(50, 69), QColor(192, 192, 192));
    QCOMPARE(px(12, 12), QColor(192, 192, 192));  // kind 0 drew nothing
    QVERIFY(t.rate({7, 6, 5}));
    QTRY_COMPARE(t.ended->size(), 1);
    QCOMPARE(t.ended->first().first().toInt(), 0);
    QCOMPARE(readFile(t.file("res2.dat")), "1,1,0,12,11,10,1,4,7,2.5,1,2,3," + judgeTime(t, 1) + "\r\n" +
                                               "1,2,3,9,8,7,2,,5,3.25,7,6,5," + judgeTime(t, 2) + "\r\n");
    QVERIFY(isReadOnly(t.file("res2.dat")));
    QVERIFY(!isReadOnly(t.file("art.dat")));
}

void TestJudgeArtSession::nothingForcedKeepsPicture() {
    TestSession t;
    t.openSetup();
    writeFile(t.folder() + "0001art.dat", "1\r\n1\r\n10,40,50,45,255\r\n");
    writeFile(t.folder() + "0001res.dat", "1,1,1,12,11,10,1,4,7,2.5\r\n");
    for (QCheckBox* c : {t.setup().Check1, t.setup().Check2, t.setup().Check3}) c->setChecked(false);
    t.startJudgeArt();
    viewPicture(t);
    QCOMPARE(t.ended->size(), 1);
    const QByteArray line = readFile(t.file("res2.dat"));
    QVERIFY2(line.startsWith("1,1,1,12,11,10,1,4,7,2.5,,,,"), line.constData());
    QVERIFY(line.endsWith("\r\n") && line.count("\r\n") == 1);
    QVERIFY(line.trimmed().split(',').last().toDouble() < 0.01);
    QCOMPARE(t.main()->ui().Picture1->image().pixelColor(qRound(60 * PainterCanvas::kPixelsPerUnit),
                                                         qRound(70 * PainterCanvas::kPixelsPerUnit)),
             QColor(255, 0, 0));
}

void TestJudgeArtSession::roundTrip() {
    QTemporaryDir shared;
    QByteArray art;
    QImage made;
    {
        TestSession t;
        t.random.setScript({pick12(2), pick12(1), pick12(1), pick200(0), pick200(10)});
        t.openSetup();
        t.setup().DataDir->setText(shared.path() + "/");
        t.setup().HScroll1->setValue(1);
        t.setup().HScroll2->setValue(0);
        t.setup().Check2->setChecked(false);
        t.setup().Text3a->setText("Busy");
        t.setup().Check5->setChecked(true);
        t.startMakeArt();
        t.setSliders(1, 12, 12, 12);
        t.makePicture();
        QVERIFY(t.rate({2, 6}));
        QTRY_COMPARE(t.ended->size(), 1);
        art = readFile(shared.path() + "/0001art.dat");
    }
    QCOMPARE(art, QByteArray("1\r\n1\r\n2,50,60,9.1,255\r\n"));
    TestSession t;
    t.openSetup();
    t.setup().DataDir->setText(shared.path() + "/");
    t.startJudgeArt();
    QVERIFY(t.main());
    viewPicture(t);
    QVERIFY(t.rate({5, 3, 4}));
    QTRY_COMPARE(t.ended->size(), 1);
    const QByteArray res = readFile(shared.path() + "/0001res.dat");
    QCOMPARE(readFile(shared.path() + "/0001res2.dat"),
             res.chopped(2) + ",5,3,4," + judgeTime(t, 1) + "\r\n");

    // Each session left a record beside its data: what was set, when it
    // ran, how it ended, and for Judge Art which record it replayed.
    const QString makeRecord = shared.path() + "/0001session.json";
    for (const QString& path : {makeRecord, shared.path() + "/0001session2.json"}) {
        const QJsonObject r = QJsonDocument::fromJson(readFile(path)).object();
        const bool judged = path.endsWith("2.json");
        QCOMPARE(r["mode"].toString(), judged ? QString("Judge Art") : QString("Make Art"));
        QCOMPARE(r["subject_code"].toString(), QString("0001"));
        QCOMPARE(r["status"].toString(), QString("finished"));
        QCOMPARE(r["trials_completed"].toInt(), 1);
        QCOMPARE(r["program_version"].toString(), QString(kPictorVersion));
        const QJsonObject settings = r["settings"].toObject();
        QCOMPARE(settings["data_folder"].toString(), shared.path() + "/");
        const QJsonArray scales = settings["scales"].toArray();
        QCOMPARE(scales[2].toObject()["left_term"].toString(), judged ? QString("Complex") : QString("Busy"));
        QCOMPARE(scales[1].toObject()["forced"].toBool(), judged);
        QCOMPARE(settings["hide_settings_after_image"].toBool(), !judged);
        const QRegularExpression iso("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$");
        QVERIFY2(iso.match(r["started"].toString()).hasMatch(), qPrintable(r["started"].toString()));
        QVERIFY(iso.match(r["ended"].toString()).hasMatch());
        QVERIFY(!r["environment"].toObject()["qt_version"].toString().isEmpty());
        QVERIFY(r["environment"].toObject()["screen_width_px"].toInt() > 0);
        if (judged) QCOMPARE(r["replays_record"].toString(), makeRecord);
        QVERIFY(isReadOnly(path));
    }
}

void TestJudgeArtSession::fullDiskStopsSession() {
    TestSession t;
    t.openSetup();
    writeFile(t.folder() + "0001art.dat", "2\r\n0\r\n0\r\n");
    writeFile(t.folder() + "0001res.dat", "1,1,0,12,11,10,1,4,7,2.5\r\n1,2,0,12,11,10,1,4,7,2.5\r\n");
    for (QCheckBox* c : {t.setup().Check1, t.setup().Check2, t.setup().Check3}) c->setChecked(false);
    t.startJudgeArt();
    viewPicture(t);
    const QByteArray first = readFile(t.file("res2.dat"));
    QVERIFY(first.startsWith("1,1,0,12,11,10,1,4,7,2.5,,,,"));
    {
        const DiskFull full(first.size() + 5);  // room for part of the next line only
        viewPicture(t);
    }
    QMessageBox* box = TestSession::message(t.main());
    QVERIFY(box);
    QVERIFY2(box->text().contains(t.file("res2.dat")) && box->text().contains("too large") &&
                 box->text().contains("Everything saved before this problem is still in the data files"),
             qPrintable(box->text()));
    QVERIFY(!t.main()->ui().Command2->isVisible());
    QCOMPARE(readFile(t.file("res2.dat")), first);
    box->accept();
    QTRY_COMPARE(t.ended->size(), 1);
    QCOMPARE(t.ended->first().first().toInt(), 1);
    QVERIFY(!isReadOnly(t.file("res2.dat")));
}

void TestJudgeArtSession::refusals_data() {
    QTest::addColumn<QByteArray>("art");  // "<none>" for no file
    QTest::addColumn<QByteArray>("res");
    QTest::addColumn<bool>("res2ReadOnly");
    QTest::addColumn<QString>("file");      // the file the message must name
    QTest::addColumn<QString>("expected");  // a part of the message
    const QByteArray res = kRes;
    QTest::newRow("no picture store") << QByteArray("<none>") << res << false << "art.dat" << "does not exist";
    QTest::newRow("results too short") << QByteArray("3\r\n0\r\n0\r\n0\r\n") << QByteArray("1,1\r\n1,2\r\n")
                                       << false << "res.dat" << "holds 2 lines";
    QTest::newRow("another subject's results") << QByteArray("1\r\n0\r\n") << QByteArray("7,1,0,1,1,1,,,,0\r\n")
                                               << false << "res.dat" << "belongs to subject 7";
    QTest::newRow("not a number") << QByteArray("1\r\n1\r\n9,4x,50,13,255\r\n") << res << false << "art.dat"
                                  << "line 3: the x of object 1 of picture 1 is \"4x\"";
    QTest::newRow("folder in place of the store") << QByteArray("<folder>") << res << false << "art.dat"
                                                  << "is a folder";
    QTest::newRow("finished judge session") << QByteArray("1\r\n0\r\n") << res << true << "res2.dat" << "read-only";
}

void TestJudgeArtSession::refusals() {
    QFETCH(QByteArray, art);
    QFETCH(QByteArray, res);
    QFETCH(bool, res2ReadOnly);
    QFETCH(QString, file);
    QFETCH(QString, expected);
    TestSession t;
    SetupScreen* setup = t.openSetup();
    if (art == "<folder>")
        QVERIFY(QDir(t.folder()).mkdir("0001art.dat"));
    else if (art != "<none>")
        writeFile(t.folder() + "0001art.dat", art);
    if (res != "<none>") writeFile(t.folder() + "0001res.dat", res);
    if (res2ReadOnly) {
        writeFile(t.folder() + "0001res2.dat", "kept\r\n");
        QVERIFY(PosixDisk().makeReadOnly(t.folder() + "0001res2.dat").isOk());
    }
    for (QCheckBox* c : {t.setup().Check1, t.setup().Check2, t.setup().Check3}) c->setChecked(false);
    t.startJudgeArt();
    QMessageBox* box = TestSession::message(setup);
    QVERIFY(box);
    QVERIFY2(box->text().contains(t.folder() + "0001" + file), qPrintable(box->text()));
    QVERIFY2(box->text().contains(expected), qPrintable(box->text()));
    QVERIFY(!t.main());
    QVERIFY(setup->isVisible());
    QCOMPARE(t.session->module1.JudgeArt, std::int16_t(0));
    QVERIFY(!QFile::exists(t.folder() + "0001session2.json"));
    if (!art.startsWith('<')) QCOMPARE(readFile(t.folder() + "0001art.dat"), art);
    if (res2ReadOnly)
        QCOMPARE(readFile(t.folder() + "0001res2.dat"), QByteArray("kept\r\n"));
    else
        QVERIFY(!QFile::exists(t.folder() + "0001res2.dat"));
}

QTEST_MAIN(TestJudgeArtSession)
#include "tst_judge_art_session.moc"
