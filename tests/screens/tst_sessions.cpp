// Whole sessions through the windows: Make Art, then Judge Art of the same
// subject, the question on closing the main window, and a write failure.

#include "support/test_session.h"

#include "core/value_list.h"
#include "core/version.h"
#include "support/test_main.h"
#include "widgets/canvas_widget.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace sessions_test {

bool pictureOnCanvas(const MainWidgets& u) {
    QImage grey = u.Picture1->image();
    grey.fill(kPictureGrey);
    return u.Picture1->image() != grey;
}

// The sliders, their captions and their values, as far as shown.
int settingsShown(const MainWidgets& u) {
    int shown = 0;
    for (int n = 1; n <= 8; ++n) shown += u.Label[n]->isVisible() + (n <= 4 && u.HScroll[n]->isVisible());
    return shown;
}

QJsonObject recordOf(const QString& path) { return QJsonDocument::fromJson(readFile(path)).object(); }

QString closeAndAnswer(TestSession& t, const char* answer) {
    t.main()->close();
    QMessageBox* box = TestSession::message(t.main());
    const QString asked = box ? box->text() : "nothing asked";
    if (box) QTest::mouseClick(box->findChild<QPushButton*>(answer), Qt::LeftButton);
    return QTest::qWaitFor([&] { return !TestSession::message(t.main()); }) ? asked : "still asking";
}

class TestSessions : public QObject {
    Q_OBJECT
private slots:
    void makeThenJudge();
    void writeFailureStopsTheSession_data();
    void writeFailureStopsTheSession();
};

void TestSessions::makeThenJudge() {
    TestSession m;
    const QString folder = m.folder();
    const QString underWay = "A session is under way: trial %1 of 2 is on the screen.\n\nEnd it now? Its %2";
    m.openSetup();
    m.setup().HScroll1->setValue(2);
    m.setup().Check2->setChecked(false);
    m.setup().Check5->setChecked(true);
    m.startMakeArt();
    const MainWidgets& u = m.main()->ui();
    m.setSliders(3, 12, 11, 10);
    m.makePicture();
    QVERIFY(pictureOnCanvas(u) && m.random.reseeds == 1);
    QCOMPARE(settingsShown(u), 0);  // hidden while rating
    // In trial 1 there is no finished trial to speak of.
    QCOMPARE(closeAndAnswer(m, "cancelButton"),
             underWay.arg(1).arg("picture is already in the picture store, " + folder +
                                 "0001art.dat, but its ratings are not saved."));
    m.clock.advance(2.5);
    QVERIFY(m.rate({1, 7}));
    QCOMPARE(settingsShown(u), 12);
    QVERIFY(!pictureOnCanvas(u) && !u.Command1->isVisible() && !m.presentation.expected);
    const QByteArray first = "1,1,3,12,11,10,1,,7," + formatValue(m.main()->run().lastRatings().time);
    QVERIFY(m.main()->run().lastRatings().time >= 2.5f);
    QVERIFY(closeAndAnswer(m, "cancelButton").startsWith("A session is under way: 1 of 2 trials are done."));
    u.HScroll[2]->setValue(3);  // a setting change brings "Make Picture" back
    QVERIFY(u.Command1->isVisible() && m.presentation.expected);
    m.makePicture();
    QVERIFY(m.rate({2, 6}));
    QTRY_COMPARE(QList<QVariantList>(*m.ended), QList<QVariantList>{{0}});
    QVERIFY(readFile(folder + "0001res.dat").startsWith(first + "\r\n1,2,3,3,11,10,2,,6,"));
    m.session.reset();  // and the subject's lock with it

    TestSession t;
    t.openSetup();
    t.setup().DataDir->setText(folder);
    t.startJudgeArt();
    const MainWidgets& j = t.main()->ui();
    QVERIFY(j.Command2->isVisible() && j.Command2->isEnabled() && !j.Command1->isVisible());
    QVERIFY(!j.Label10->isVisible() && settingsShown(j) == 0);
    QTest::mouseClick(j.Command2, Qt::LeftButton);
    QVERIFY(!j.Command2->isVisible() && t.rate({5, 3, 1}));
    const QByteArray judged = first + ",5,3,1," + formatValue(t.main()->run().lastRatings().time) + "\r\n";
    QTest::mouseClick(j.Command2, Qt::LeftButton);
    QCOMPARE(
        closeAndAnswer(t, "confirmButton"),
        underWay.arg(2).arg("ratings are not saved. The trials finished before it stay saved in the data "
                            "files."));
    QCOMPARE(t.ended->size(), 1);
    QCOMPARE(readFile(folder + "0001res2.dat"), judged);  // the last trial's ratings are lost, no more
    QVERIFY(!isReadOnly(folder + "0001res2.dat"));
    // Each record names the program, the display, and for Judge Art the record it replayed.
    const QJsonObject made = recordOf(folder + "0001session.json"),
                      judging = recordOf(folder + "0001session2.json");
    const QJsonObject env = judging["environment"].toObject();
    QCOMPARE((QStringList{made["status"].toString(), judging["status"].toString(),
                          judging["program_version"].toString(), env["window_manager"].toString(),
                          env["screen_kept_on_by"][0].toString(), judging["replays_record"].toString()}),
             (QStringList{"finished", "ended early", kPictorVersion, "Fake WM", "fake saver",
                          folder + "0001session.json"}));
    QVERIFY(!judging["ended"].toString().isEmpty() && env["screen_width_px"].toInt() > 0);
}

void TestSessions::writeFailureStopsTheSession_data() {
    QTest::addColumn<bool>("judge");
    QTest::addColumn<QStringList>("said");  // parts of the message
    QTest::newRow("Make Art, disk full mid-line")
        << false << QStringList{"0001art.dat", "File too large", "Everything saved before this problem"};
    QTest::newRow("Judge Art, results file removed")
        << true << QStringList{"0001res2.dat", "does not exist", "can no longer find"};
}

void TestSessions::writeFailureStopsTheSession() {
    QFETCH(bool, judge);
    QFETCH(QStringList, said);
    TestSession t;
    t.openSetup();
    for (QCheckBox* c : {t.setup().Check1, t.setup().Check2, t.setup().Check3})
        c->setChecked(!judge && c == t.setup().Check1);  // Make Art fails before its rating
    if (judge) {
        writeFile(t.file("art.dat"), "2\r\n0\r\n1\r\n9,40,50,13,255\r\n");
        writeFile(t.file("res.dat"), "1,1,0,12,11,10,1,4,7,2.5\r\n1,2,1,9,8,7,1,4,7,2.5\r\n");
    }
    judge ? t.startJudgeArt() : t.startMakeArt();
    QPushButton* trial = judge ? t.main()->ui().Command2 : t.main()->ui().Command1;
    if (judge) QTest::mouseClick(trial, Qt::LeftButton);  // nothing is rated: the trial is saved at once
    const QString own = t.file(judge ? "res2.dat" : "art.dat");
    const QByteArray before = readFile(own);
    {
        const DiskFull full(judge ? 1 << 30 : before.size() + 5);  // the next line runs out of room half way
        if (judge) QFile::remove(own);
        QTest::mouseClick(trial, Qt::LeftButton);
    }
    QMessageBox* box = TestSession::message(t.main());
    QVERIFY(box);
    for (const QString& part : said) QVERIFY2(box->text().contains(part), qPrintable(box->text()));
    const MainWidgets& u = t.main()->ui();
    QVERIFY(!u.Command1->isVisible() && !u.Command2->isVisible() && !u.Label10->text().contains("Consider"));
    QVERIFY(!t.main()->run().isUnderWay());  // closing now asks nothing
    // Whole lines only: Make Art keeps the new picture's header, not half an object.
    QCOMPARE(readFile(own), judge ? QByteArray("<missing>") : before + "6\r\n");  // nothing made anew
    QCOMPARE(t.ended->size(), 0);
    box->accept();
    QTRY_COMPARE(QList<QVariantList>(*t.ended), QList<QVariantList>{{1}});
    QVERIFY(!isReadOnly(own));
    if (!judge) return;  // a full disk may keep the record from saying so
    const QJsonObject record = recordOf(t.file("session2.json"));
    QCOMPARE(record["status"].toString() + QString::number(record["trials_completed"].toInt()), "failed1");
    QVERIFY2(record["failure"].toString().contains(said[1]), qPrintable(record["failure"].toString()));
}

PICTOR_TEST(TestSessions);

}  // namespace sessions_test

#include "tst_sessions.moc"
