// The three screens as the experimenter and the subject see them: what each shows,
// what a start is handed, refusals and questions, and the main screen's controls.

#include "support/test_session.h"

#include "core/version.h"
#include "screens/title_screen.h"
#include "support/test_main.h"
#include "widgets/note_box.h"
#include "widgets/wrapping_radio_button.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace screens_test {

class TestScreens : public QObject {
    Q_OBJECT
private slots:
    void setupAsTyped_data();
    void setupAsTyped();
    void fromTitleToMainScreen_data();
    void fromTitleToMainScreen();
};

void TestScreens::setupAsTyped_data() {
    QTest::addColumn<bool>("judge");
    QTest::addColumn<QString>("folder");     // "@": the session's own
    QTest::addColumn<QString>("code");       // entered after the folder
    QTest::addColumn<QStringList>("notes");  // widths as N and M
    QTest::addColumn<QString>("answer");     // none: not started; "refused", or the answer to the question
    QTest::addColumn<QString>("terms");      // of the three scales; the third is not rated
    auto row = [](const char* name, bool judge, const char* folder, const char* code, const QString& notes,
                  const char* answer = "", const char* terms = "") {
        QTest::newRow(name) << judge << QString(folder) << QString(code)
                            << ("First data file: " + notes).split(" | ") << QString(answer)
                            << QString(terms);
    };
    row("folder without its separator", false, "/data/lab", "0001", "/data/lab0001art.dat");
    row("Judge Art", true, "/d/", "12", "/d/12res2.dat");
    row("relative folder", false, "data/", "0042", QDir::currentPath() + "/data/0042art.dat");
    row("more than four digits make 0000", false, "/d/", "123456", "/d/0000art.dat");
    row("terms too long", false, "/d/", "7",
        "/d/7art.dat | \"Incomprehensibilities\" is too long for its options: they need N pixels, not M. | "
        "\"Incomprehensibilities\" is too long for the \"Consider How\" box: it needs N pixels, not M. | "
        "\"Ununderstandable\" is too long for its options: they need N pixels, not M.",
        "", "Incomprehensibilities Nasty Odd Ununderstandable Supercalifragilistic Odd");
    row("code refused at Enter and at the start", false, "@", "12 ", "@12 art.dat", "refused");
    row("a finished session's files", false, "@", "0001", "@0001art.dat", "refused");
    row("an unfinished session's: declined", false, "@", "0001", "@0001art.dat", "cancelButton");
    row("an unfinished session's: replaced", false, "@", "0001", "@0001art.dat", "confirmButton");
}

void TestScreens::setupAsTyped() {
    // As the experimenter types: the first data file, and each rated term too long
    // for the main screen. Then what a start over earlier files refuses or asks.
    QFETCH(bool, judge);
    QFETCH(QString, folder);
    QFETCH(QString, code);
    QFETCH(QStringList, notes);
    QFETCH(QString, answer);
    QFETCH(QString, terms);
    TestSession t;
    SetupScreen* setup = t.openSetup();
    const SetupWidgets& u = t.setup();
    folder.replace("@", t.folder());
    notes.replaceInStrings("@", t.folder());
    if (judge) QTest::mouseClick(u.JudgeArtOption, Qt::LeftButton);
    u.Check3->setChecked(false);
    QLineEdit* fields[] = {u.Text1a, u.Text1b, u.Text2a, u.Text2b, u.Text3a, u.Text3b};
    for (int i = 0; i < 6 && !terms.isEmpty(); ++i) fields[i]->setText(terms.split(' ')[i]);
    u.DataDir->clear();
    QTest::keyClicks(u.DataDir, folder);
    QVERIFY(u.notes->text().contains(folder + "0001"));  // the code typed next
    u.Text1->setText(code);
    QString shown = u.notes->text();
    const QRegularExpression widths("(\\d+) pixels, not (\\d+)");
    for (const QRegularExpressionMatch& m : widths.globalMatch(shown))
        QVERIFY2(m.captured(1).toInt() > m.captured(2).toInt(), qPrintable(shown));
    QCOMPARE(shown.replace(widths, "N pixels, not M").split('\n'), notes);
    if (answer.isEmpty()) return;

    writeFile(t.file("art.dat"), "1\r\n1\r\n9,40,50,13,255\r\n");
    writeFile(t.file("res.dat"), "1,1,1,6,7,8,1,1,1,2\r\n");
    if (answer == "refused") QFile::setPermissions(t.file("art.dat"), QFile::ReadOwner);
    QTest::keyClick(u.Text1, Qt::Key_Return);  // says at once what a start would refuse
    QMessageBox* atEnter = TestSession::message(setup);
    QCOMPARE(atEnter != nullptr, code != "0001");
    const QString said = atEnter ? atEnter->text() : t.file("art.dat") + "\" belongs to a finished session";
    if (atEnter) atEnter->accept();
    QTRY_VERIFY(!TestSession::message(setup));
    t.startMakeArt();
    QMessageBox* box = TestSession::message(setup);
    QVERIFY(box && box->text().contains(
                       answer == "refused" ? said : t.file("art.dat") + "\n    " + t.file("res.dat")));
    if (answer != "refused") QTest::mouseClick(box->findChild<QPushButton*>(answer), Qt::LeftButton);
    const bool replaced = answer == "confirmButton";
    QCOMPARE(t.main() != nullptr, replaced);
    QCOMPARE(setup->isVisible(), !replaced);
    QCOMPARE(QFile::exists(t.file("session.lock")), replaced);
    QCOMPARE(t.ended->size(), 0);
    if (replaced) return;
    setup->close();  // closing the setup screen ends the program
    QCOMPARE(t.ended->size(), 1);
}

void TestScreens::fromTitleToMainScreen_data() {
    QTest::addColumn<bool>("forced");  // scales 1 and 3 are rated
    QTest::addColumn<bool>("check4");  // a setting change asked for
    QTest::addColumn<int>("slider");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");  // 0: no change at all
    auto row = [](const char* name, bool forced, bool check4, int slider, Qt::Key key, int start, int to) {
        QTest::newRow(name) << forced << check4 << slider << int(key) << start << to;
    };
    row("objects right arrow", true, true, 1, Qt::Key_Right, 6, 7);
    row("shapes page down", true, true, 2, Qt::Key_PageDown, 6, 5);
    row("colours at 12 stay", true, true, 4, Qt::Key_Right, 12, 0);
    row("no setting change asked for; objects at 1 stay", true, false, 1, Qt::Key_Left, 1, 0);
    row("no scale rated: no setting change; sizes to two digits", false, true, 3, Qt::Key_End, 6, 12);
}

void TestScreens::fromTitleToMainScreen() {
    // Enter opens the setup screen and starts Make Art: every field, each distinct,
    // reaches the record whatever mode was shown; then the main screen and a slider key.
    QFETCH(bool, forced);
    QFETCH(bool, check4);
    QFETCH(int, slider);
    QFETCH(int, key);
    QFETCH(int, start);
    QFETCH(int, expected);
    TestSession t;
    t.session->start();
    TitleScreen* title = t.session->titleScreen();
    QCOMPARE(title->findChild<QLabel*>("Label2")->text(), QString("Version ") + kPictorVersion);
    QTest::keyClick(title->findChild<QPushButton*>("Begin"), Qt::Key_Return);
    SetupScreen* setup = t.session->setupScreen();
    QVERIFY(!title->isVisible() && QTest::qWaitForWindowExposed(setup));
    const SetupWidgets& s = t.setup();
    QCOMPARE(QApplication::focusWidget(), s.Command1);
    s.Text1->setText("0712");
    s.HScroll1->setValue(3);
    s.HScroll1->setFocus();
    QTest::keyClick(s.HScroll1, Qt::Key_PageUp);  // page step 10
    QTest::keyClick(s.HScroll1, Qt::Key_Left);    // arrow step 1
    s.HScroll2->setValue(17);
    QCOMPARE(s.Label5->text() + " " + s.Label3->text(), QString("12 17"));
    s.Text2a->setText("");
    s.Text3b->setText(" very simple ");
    for (QCheckBox* c : {s.Check1, s.Check2, s.Check3}) c->setChecked(forced && c != s.Check2);
    s.Check4->setChecked(check4);
    s.Check5->setChecked(true);
    for (bool judge : {true, false}) {
        QTest::mouseClick(judge ? s.JudgeArtOption : s.MakeArtOption, Qt::LeftButton);
        for (QWidget* w :
             std::initializer_list<QWidget*>{s.Command1, s.HScroll1, s.Label4, s.Label5, s.Check4, s.Check5})
            QCOMPARE(w->isVisible(), !judge);
        QCOMPARE(s.Command2->isVisible(), judge);
    }
    QTest::keyClick(s.Command1, Qt::Key_Return);
    const bool changeFirst = forced && check4;
    RecordContents used;
    used.settings = {SessionMode::MakeArt, "0712", t.folder(), 12, 17, {}, changeFirst, true};
    used.settings.scales = {{{"Pleasing", "Displeasing", forced},
                             {"", "Uninteresting", false},
                             {"Complex", " very simple ", forced}}};
    const QJsonObject record = QJsonDocument::fromJson(readFile(t.folder() + "0712session.json")).object();
    QVERIFY2(record["settings"] == used.toJson()["settings"], QJsonDocument(record).toJson().constData());

    const MainWidgets& u = t.main()->ui();
    QVERIFY(QTest::qWaitForWindowExposed(t.main()) && !setup->isVisible());
    QCOMPARE(u.Command1->isVisible(), !changeFirst);
    QVERIFY(u.Label10->isVisible() && !u.Command2->isVisible() && !u.Command3->isVisible());
    QCOMPARE(u.Label10->text(), changeFirst ? QString("Change Setting(s)") : QString());
    for (QAbstractButton* option : u.scaleGroup->buttons()) QVERIFY(!option->isVisible());
    QCOMPARE(t.main()->grab().toImage().pixelColor(4, t.main()->height() - 4), QColor(128, 128, 128));
    // A screen reader names each option by its caption and place, each slider by its caption.
    QStringList named;
    for (QWidget* w : std::initializer_list<QWidget*>{u.Ple[2], u.Ple[4], u.Ple[5], u.Ple[6], u.Int[1],
                                                      u.Com[7], u.HScroll[1]})
        named << QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    QCOMPARE(named, (QStringList{"Very Pleasing, 2 of 7", "Average, 4 of 7", "Displeasing, 5 of 7",
                                 "Very Displeasing, 6 of 7", "Extremely, 1 of 7",
                                 "Extremely very simple, 7 of 7", "Total Number of Objects"}));
    QCOMPARE(u.Com[6]->text(), QString("Very  very simple "));  // as typed
    s.Text1a->setText("Nice");  // later edits of the hidden setup screen change nothing
    QCOMPARE(u.Ple[3]->text(), QString("Pleasing"));

    QScrollBar* bar = u.HScroll[slider];
    bar->blockSignals(true);
    bar->setValue(start);
    bar->blockSignals(false);
    bar->setFocus();
    QTest::keyClick(bar, static_cast<Qt::Key>(key));
    QCOMPARE(u.Label[slider]->text(), QString::number(expected ? expected : 6));
    QCOMPARE(u.Command1->isVisible(), !changeFirst || expected);  // a change brings "Make Picture" back
    QCOMPARE(u.Label10->text(), changeFirst && !expected ? QString("Change Setting(s)") : QString());
}

PICTOR_TEST(TestScreens);

}  // namespace screens_test

#include "tst_screens.moc"
