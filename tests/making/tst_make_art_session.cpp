#include "support/test_session.h"

#include "core/value_list.h"
#include "platform/disk.h"
#include "runs/trial_run.h"
#include "widgets/canvas_widget.h"
#include "widgets/wrapping_radio_button.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// Trial 1: one kind-2 object of size 13; trial 2: a kind-9 and a kind-6 object.
const QList<float> kTwoTrials = {pick12(2), pick12(1), pick12(1), pick200(0), pick200(10)};
const QList<float> kSecondTrial = {pick12(9), pick12(3),  pick12(2),  pick12(6),    pick12(12),
                                   pick12(3), pick200(5), pick200(7), pick200(100), pick200(0)};
const QByteArray kArt = "2\r\n1\r\n2,50,60,9.1,255\r\n2\r\n9,45,57,29,65280\r\n6,170,100,101,16711680\r\n";

bool pictureOnCanvas(const TestSession& t) {
    const QImage& image = t.main()->ui().Picture1->image();
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixelColor(x, y) != QColor(192, 192, 192)) return true;
    return false;
}

// The time field of a results line: the last one.
double timeField(const QByteArray& line) { return line.trimmed().split(',').last().toDouble(); }

}  // namespace

class TestMakeArtSession : public QObject {
    Q_OBJECT
private slots:
    void wholeSession();
    void trialOptions_data();
    void trialOptions();
    void closingAsksFirst();
    void writeFailureStopsSession_data();
    void writeFailureStopsSession();
};

void TestMakeArtSession::wholeSession() {
    TestSession t;
    t.random.setScript(kTwoTrials + kSecondTrial);
    t.openSetup();
    t.setup().Text1->setText("0012");
    t.setup().HScroll1->setValue(2);
    t.startMakeArt();
    const MainWidgets& u = t.main()->ui();

    t.setSliders(1, 12, 12, 12);
    t.makePicture();
    QCOMPARE(t.random.reseeds(), 1);
    QVERIFY(pictureOnCanvas(t));
    QVERIFY(!u.Command1->isVisible());
    QTRY_COMPARE(u.Label10->text(), QString());  // the prompt gave way to the Rate button
    t.clock.advance(2.5);
    QVERIFY(t.rate({1, 4, 7}));
    QVERIFY(!pictureOnCanvas(t));
    QVERIFY(!u.Command1->isVisible());
    QCOMPARE(u.Label10->text(), QString("Change Setting(s)"));

    // The first trial's line is on disk before the next trial can start.
    const QByteArray first = readFile(t.file("res.dat"));
    QVERIFY2(first.startsWith("12,1,1,12,12,12,1,4,7,"), first.constData());
    QVERIFY(timeField(first) >= 2.5 && timeField(first) < 2.6);
    QCOMPARE(first, QByteArray("12,1,1,12,12,12,1,4,7,") +
                        formatValue(*t.main()->run().results().RatingTime[1]) + "\r\n");
    QVERIFY(!isReadOnly(t.file("art.dat")));

    u.HScroll[1]->setValue(2);  // a setting change brings "Make Picture" back
    QVERIFY(u.Command1->isVisible());
    t.makePicture();
    QVERIFY(t.rate({2, 3, 5}));
    QTRY_COMPARE(t.ended->size(), 1);
    QCOMPARE(t.ended->first().first().toInt(), 0);

    QCOMPARE(readFile(t.folder() + "0012art.dat"), kArt);
    const QList<QByteArray> lines = readFile(t.folder() + "0012res.dat").split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0] + '\n', first);
    QVERIFY(lines[1].startsWith("12,2,2,12,12,12,2,3,5,"));
    QVERIFY(isReadOnly(t.folder() + "0012art.dat"));
    QVERIFY(isReadOnly(t.folder() + "0012res.dat"));
    QVERIFY(!t.random.exhausted());
}

void TestMakeArtSession::trialOptions_data() {
    QTest::addColumn<QList<bool>>("force");  // Check1..3
    QTest::addColumn<bool>("check4");
    QTest::addColumn<bool>("check5");
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<QByteArray>("ratings");  // fields 7 to 9
    QTest::addColumn<bool>("pictureStays");
    QTest::addColumn<bool>("makePictureAfter");
    QTest::newRow("nothing forced") << QList<bool>{false, false, false} << true << false << QList<int>{}
                                    << QByteArray(",,") << true << true;
    QTest::newRow("only scale 2") << QList<bool>{false, true, false} << false << false << QList<int>{6}
                                  << QByteArray(",6,") << false << true;
    QTest::newRow("settings hidden while rating") << QList<bool>{true, false, true} << true << true
                                                  << QList<int>{3, 5} << QByteArray("3,,5") << false << false;
}

void TestMakeArtSession::trialOptions() {
    QFETCH(QList<bool>, force);
    QFETCH(bool, check4);
    QFETCH(bool, check5);
    QFETCH(QList<int>, choices);
    QFETCH(QByteArray, ratings);
    QFETCH(bool, pictureStays);
    QFETCH(bool, makePictureAfter);
    TestSession t;
    t.random.setScript(kTwoTrials);
    t.openSetup();
    t.setup().Check1->setChecked(force[0]);
    t.setup().Check2->setChecked(force[1]);
    t.setup().Check3->setChecked(force[2]);
    t.setup().Check4->setChecked(check4);
    t.setup().Check5->setChecked(check5);
    t.startMakeArt();
    const MainWidgets& u = t.main()->ui();
    t.setSliders(1, 12, 12, 12);
    t.makePicture();
    for (int n = 1; n <= 8; ++n) QCOMPARE(u.Label[n]->isVisible(), !check5 || choices.isEmpty());
    QVERIFY(t.rate(choices));
    QTRY_VERIFY(!readFile(t.file("res.dat")).startsWith('<'));
    for (int n = 1; n <= 4; ++n) QVERIFY(u.HScroll[n]->isVisible());
    for (int n = 1; n <= 8; ++n) QVERIFY(u.Label[n]->isVisible());
    QCOMPARE(pictureOnCanvas(t), pictureStays);
    QCOMPARE(u.Command1->isVisible(), makePictureAfter);
    const QByteArray line = readFile(t.file("res.dat"));
    QVERIFY2(line.startsWith("1,1,1,12,12,12," + ratings + ","), line.constData());
    if (choices.isEmpty()) QVERIFY(timeField(line) < 0.01);
    QCOMPARE(t.ended->size(), 0);
}

void TestMakeArtSession::closingAsksFirst() {
    TestSession t;
    t.random.setScript(kTwoTrials + kSecondTrial);
    t.openSetup();
    t.setup().HScroll1->setValue(3);
    t.startMakeArt();
    t.setSliders(1, 12, 12, 12);
    t.makePicture();
    QVERIFY(t.rate({1, 1, 1}));
    const QByteArray art = readFile(t.file("art.dat"));
    const QByteArray res = readFile(t.file("res.dat"));

    // Between trials nothing can be lost; declining keeps the session.
    t.main()->close();
    QMessageBox* box = TestSession::message(t.main());
    QVERIFY(box);
    QVERIFY2(box->text().contains("1 of 3 trials are done") && box->text().contains("nothing is lost"),
             qPrintable(box->text()));
    QTest::mouseClick(box->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    QCOMPARE(t.ended->size(), 0);
    QTRY_VERIFY(!TestSession::message(t.main()));

    // With a picture on the screen, its rating would be lost.
    t.setSliders(2, 12, 12, 12);
    t.makePicture();
    t.main()->close();
    box = TestSession::message(t.main());
    QVERIFY(box);
    QVERIFY2(box->text().contains("trial 2 of 3 is on the screen") && box->text().contains("is not saved"),
             qPrintable(box->text()));
    QTest::mouseClick(box->findChild<QPushButton*>("confirmButton"), Qt::LeftButton);
    QCOMPARE(t.ended->size(), 1);
    QVERIFY(readFile(t.file("art.dat")).startsWith(art));
    QCOMPARE(readFile(t.file("res.dat")), res);
    QVERIFY(!isReadOnly(t.file("art.dat")));
}

void TestMakeArtSession::writeFailureStopsSession_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("said");  // parts of the message
    QTest::newRow("disk full mid-line") << "full"
                                        << QStringList{"File too large", "Everything saved before this problem is still"};
    QTest::newRow("folder removed") << "removed"
                                    << QStringList{"the file does not exist", "can no longer find"};
}

void TestMakeArtSession::writeFailureStopsSession() {
    QFETCH(QString, fault);
    QFETCH(QStringList, said);
    TestSession t;
    t.random.setScript(kTwoTrials + kSecondTrial);
    t.openSetup();
    QVERIFY(QDir(t.folder()).mkdir("data"));
    t.setup().DataDir->setText(t.folder() + "data/");
    t.setup().HScroll1->setValue(2);
    t.setup().Check4->setChecked(false);
    t.startMakeArt();
    t.setSliders(1, 12, 12, 12);
    t.makePicture();
    QVERIFY(t.rate({4, 4, 4}));
    const QString art = t.file("art.dat");
    const QByteArray artBefore = readFile(art);
    const QByteArray res = readFile(t.file("res.dat"));
    QString kept = t.folder() + "data/";
    t.setSliders(2, 12, 12, 12);
    if (fault == "full") {
        // The disk fills up in the middle of the next picture's first object.
        const DiskFull full(artBefore.size() + 5);
        t.makePicture();
    } else {
        // The folder disappears (a drive unplugged); moving it keeps its files to check.
        QVERIFY(QDir(t.folder()).rename("data", "unplugged"));
        kept = t.folder() + "unplugged/";
        t.makePicture();
    }
    QMessageBox* box = TestSession::message(t.main());
    QVERIFY(box);
    QVERIFY(box->text().contains(art));
    for (const QString& part : said) QVERIFY2(box->text().contains(part), qPrintable(box->text()));
    QVERIFY(!t.main()->ui().Command3->isVisible());
    QVERIFY(!t.main()->ui().Command1->isVisible());
    QCOMPARE(readFile(kept + "0001art.dat"), artBefore + (fault == "full" ? "2\r\n" : ""));
    QCOMPARE(readFile(kept + "0001res.dat"), res);
    QCOMPARE(t.ended->size(), 0);
    box->accept();
    QTRY_COMPARE(t.ended->size(), 1);
    QCOMPARE(t.ended->first().first().toInt(), 1);
    QVERIFY(!isReadOnly(kept + "0001res.dat"));
}

QTEST_MAIN(TestMakeArtSession)
#include "tst_make_art_session.moc"
