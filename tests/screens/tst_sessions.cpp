// Whole sessions through the windows: a Make Art session and then a Judge
// Art session of the same subject, a write failure in each, and closing the
// main window.

#include "support/test_session.h"

#include "core/value_list.h"
#include "core/version.h"
#include "support/test_main.h"
#include "widgets/canvas_widget.h"

#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace sessions_test {

// With the sliders at 1, 12, 11, 10: one size and two colours removed, then
// a kind-2 object of size 13 in red at 50, 60.
const QList<float> kPicture = {pick12(12), pick12(11), pick12(12), pick12(2),
                               pick12(1),  pick12(1),  pick200(0), pick200(10)};

bool pictureOnCanvas(const TestSession& t) {
    const QImage& image = t.main()->ui().Picture1->image();
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixel(x, y) != kPictureGrey) return true;
    return false;
}

// The rating time of the trial rated last, as the results files write it.
QByteArray lastTime(const TestSession& t) { return formatValue(t.main()->run().lastRatings().time); }

void viewPicture(TestSession& t) { QTest::mouseClick(t.main()->ui().Command2, Qt::LeftButton); }

class TestSessions : public QObject {
    Q_OBJECT
private slots:
    void makeThenJudge();
    void writeFailureStopsTheSession_data();
    void writeFailureStopsTheSession();
    void closingAsksFirst();
};

void TestSessions::makeThenJudge() {
    QTemporaryDir shared;
    const QString folder = shared.path() + "/";
    QByteArray res;
    {
        TestSession t;
        t.random.script = kPicture;
        t.openSetup();
        t.setup().Text1->setText("0012");
        t.setup().DataDir->setText(folder);
        t.setup().HScroll1->setValue(2);
        t.setup().Check2->setChecked(false);
        t.setup().Check5->setChecked(true);
        t.setup().Text3a->setText("Busy");
        t.startMakeArt();
        QVERIFY(t.display.held);  // the screen stays on while the session runs
        const MainWidgets& u = t.main()->ui();
        t.setSliders(1, 12, 11, 10);
        t.makePicture();
        QCOMPARE(t.random.reseeds, 1);
        QVERIFY(pictureOnCanvas(t));
        for (int n = 1; n <= 8; ++n) QVERIFY(!u.Label[n]->isVisible());  // settings hidden while rating
        t.clock.advance(2.5);
        QVERIFY(t.rate({1, 7}));
        for (int n = 1; n <= 8; ++n) QVERIFY(u.Label[n]->isVisible());
        QVERIFY(!pictureOnCanvas(t));
        QVERIFY(!u.Command1->isVisible() && !t.presentation.expected);  // no picture can come
        QCOMPARE(u.Label10->text(), QString("Change Setting(s)"));
        // The picture box was flushed once for the picture: its frame follows the results line.
        const QList<QByteArray> timed = readFile(folder + "0012timing.csv").split('\n').value(1).split(',');
        QCOMPARE(timed.mid(2, 2) + timed.mid(5, 2), (QList<QByteArray>{"6000000", "10000000", "1", "flip"}));
        // The first trial's line is on disk before the next trial can start.
        QCOMPARE(readFile(folder + "0012res.dat"), "12,1,1,12,11,10,1,,7," + lastTime(t) + "\r\n");
        QVERIFY(t.main()->run().lastRatings().time >= 2.5f);
        QCOMPARE(readFile(folder + "0012art.dat"), QByteArray("2\r\n1\r\n2,50,60,9.1,255\r\n"));

        u.HScroll[2]->setValue(3);  // a setting change brings "Make Picture" back
        QVERIFY(u.Command1->isVisible() && t.presentation.expected);
        t.makePicture();
        QVERIFY(t.rate({2, 6}));
        QTRY_COMPARE(t.ended->size(), 1);
        QCOMPARE(t.ended->first().first().toInt(), 0);
        QVERIFY(!t.display.held);
        res = readFile(folder + "0012res.dat");
        QVERIFY(res.startsWith("12,1,1,12,11,10,1,,7,") && res.contains("\r\n12,2,1,3,11,10,2,,6,"));
        for (const char* name : {"0012art.dat", "0012res.dat", "0012session.json", "0012timing.csv"})
            QVERIFY(isReadOnly(folder + name));
    }
    TestSession t;
    t.openSetup();
    t.setup().Text1->setText("0012");
    t.setup().DataDir->setText(folder);
    t.setup().Check4->setChecked(true);
    t.startJudgeArt();
    const MainWidgets& u = t.main()->ui();
    QCOMPARE(t.main()->windowTitle(), QString("Judge Art"));
    QCOMPARE(u.Label9->text(), QString("Judge Art"));
    QVERIFY(u.Command2->isVisible() && u.Command2->isEnabled() && !u.Command1->isVisible());
    QVERIFY(!u.Label10->isVisible());
    for (int n = 1; n <= 4; ++n) QVERIFY(!u.HScroll[n]->isVisible() && !u.Label[n]->isVisible());
    QByteArray judged;
    for (int trial = 1; trial <= 2; ++trial) {
        viewPicture(t);
        QVERIFY(!t.main()->ui().Command2->isVisible());
        QVERIFY(t.rate({5, 3, trial}));
        judged += res.split('\n')[trial - 1].chopped(1) + ",5,3," + QByteArray::number(trial) + "," +
                  lastTime(t) + "\r\n";
    }
    QTRY_COMPARE(t.ended->size(), 1);
    QCOMPARE(readFile(folder + "0012res2.dat"), judged);
    QVERIFY(isReadOnly(folder + "0012res2.dat") && isReadOnly(folder + "0012timing2.csv"));

    // Each session left a record beside its data: what was set, when it
    // ran, how it ended, and for Judge Art which record it replayed.
    for (const char* name : {"0012session.json", "0012session2.json"}) {
        const QJsonObject r = QJsonDocument::fromJson(readFile(folder + name)).object();
        const bool judging = QByteArray(name).endsWith("2.json");
        QCOMPARE(r["mode"].toString(), judging ? QString("Judge Art") : QString("Make Art"));
        QCOMPARE(r["subject_code"].toString(), QString("0012"));
        QCOMPARE(r["status"].toString(), QString("finished"));
        QCOMPARE(r["trials_completed"].toInt(), 2);
        QCOMPARE(r["program_version"].toString(), QString(kPictorVersion));
        QCOMPARE(r["trials_planned"].toInt(), 2);
        const QJsonObject settings = r["settings"].toObject();
        QCOMPARE(settings["data_folder"].toString(), folder);
        const QJsonArray scales = settings["scales"].toArray();
        QCOMPARE(scales[2].toObject()["left_term"].toString(),
                 judging ? QString("Complex") : QString("Busy"));
        QCOMPARE(scales[1].toObject()["forced"].toBool(), judging);
        QCOMPARE(settings.contains("hide_settings_after_image"), !judging);
        const QRegularExpression iso("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$");
        QVERIFY2(iso.match(r["started"].toString()).hasMatch(), qPrintable(r["started"].toString()));
        QVERIFY(iso.match(r["ended"].toString()).hasMatch());
        const QJsonObject env = r["environment"].toObject();
        QVERIFY(!env["qt_version"].toString().isEmpty());
        QCOMPARE(env["window_manager"].toString() + env["screen_kept_on_by"].toArray()[0].toString(),
                 QString("Fake WMfake saver"));
        QVERIFY(r["environment"].toObject()["screen_width_px"].toInt() > 0);
        if (judging) QCOMPARE(r["replays_record"].toString(), folder + "0012session.json");
    }
}

void TestSessions::writeFailureStopsTheSession_data() {
    QTest::addColumn<bool>("judge");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("said");  // parts of the message
    const QString kept = "Everything saved before this problem is still";
    QTest::newRow("Make Art, disk full mid-line")
        << false << "full" << QStringList{"art.dat", "File too large", kept};
    QTest::newRow("Make Art, folder removed")
        << false << "removed" << QStringList{"art.dat", "does not exist", "can no longer find"};
    QTest::newRow("Judge Art, disk full mid-line")
        << true << "full" << QStringList{"res2.dat", "File too large", kept};
}

void TestSessions::writeFailureStopsTheSession() {
    QFETCH(bool, judge);
    QFETCH(QString, fault);
    QFETCH(QStringList, said);
    TestSession t;
    t.openSetup();
    QVERIFY(QDir(t.folder()).mkdir("data"));
    const QString data = t.folder() + "data/";
    t.setup().DataDir->setText(data);
    for (QCheckBox* c : {t.setup().Check1, t.setup().Check2, t.setup().Check3}) c->setChecked(false);
    if (judge) {
        writeFile(data + "0001art.dat", "2\r\n0\r\n1\r\n9,40,50,13,255\r\n");
        writeFile(data + "0001res.dat", "1,1,0,12,11,10,1,4,7,2.5\r\n1,2,1,9,8,7,1,4,7,2.5\r\n");
        t.startJudgeArt();
    } else {
        t.setup().HScroll1->setValue(2);
        t.startMakeArt();
        t.setSliders(1, 12, 12, 12);
    }
    auto trial = [&] { judge ? viewPicture(t) : t.makePicture(); };
    trial();  // nothing is rated: the trial is saved at once
    const QString own = data + (judge ? "0001res2.dat" : "0001art.dat");
    const QByteArray before = readFile(own);
    QString kept = data;
    if (fault == "full") {
        const DiskFull full(before.size() + 5);  // the next line runs out of room half way
        trial();
    } else {
        // The folder disappears (a drive unplugged); moving it keeps its files to check.
        QVERIFY(QDir(t.folder()).rename("data", "unplugged"));
        kept = t.folder() + "unplugged/";
        trial();
    }
    QMessageBox* box = TestSession::message(t.main());
    QVERIFY(box);
    for (const QString& part : said) QVERIFY2(box->text().contains(part), qPrintable(box->text()));
    QVERIFY(!t.main()->ui().Command1->isVisible() && !t.main()->ui().Command2->isVisible());
    // Whole lines only: Make Art keeps the new picture's header, not half an object.
    const QString keptOwn = kept + QFileInfo(own).fileName();
    QCOMPARE(readFile(keptOwn), before + (!judge && fault == "full" ? "1\r\n" : ""));
    QCOMPARE(t.ended->size(), 0);
    box->accept();
    QTRY_COMPARE(t.ended->size(), 1);
    QCOMPARE(t.ended->first().first().toInt(), 1);
    QVERIFY(!isReadOnly(keptOwn));
}

void TestSessions::closingAsksFirst() {
    TestSession t;
    t.openSetup();
    t.startMakeArt();
    t.setSliders(1, 12, 12, 12);
    t.makePicture();
    // In trial 1 there is no finished trial to speak of.
    const QString onScreen =
        "A session is under way: trial %1 of 3 is on the screen.\n\nEnd it now? Its picture is "
        "already in the picture store, " +
        t.file("art.dat") + ", but its ratings are not saved.";
    t.main()->close();
    QCOMPARE(TestSession::message(t.main())->text(), onScreen.arg(1));
    QTest::mouseClick(TestSession::message(t.main())->findChild<QPushButton*>("cancelButton"),
                      Qt::LeftButton);
    QTRY_VERIFY(!TestSession::message(t.main()));
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
    QCOMPARE(box->text(), onScreen.arg(2) + " The trials finished before it stay saved in the data files.");
    QTest::mouseClick(box->findChild<QPushButton*>("confirmButton"), Qt::LeftButton);
    QCOMPARE(t.ended->size(), 1);
    QVERIFY(readFile(t.file("art.dat")).startsWith(art));
    QCOMPARE(readFile(t.file("res.dat")), res);
    QVERIFY(!isReadOnly(t.file("art.dat")));
    QCOMPARE(QJsonDocument::fromJson(readFile(t.file("session.json"))).object()["status"].toString(),
             QString("ended early"));
}

PICTOR_TEST(TestSessions);

}  // namespace sessions_test

#include "tst_sessions.moc"
