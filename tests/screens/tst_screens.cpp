// The three screens as the experimenter and the subject see them: what
// each shows, what the setup screen hands to a start, how a refusal and the
// question about an unfinished session reach the experimenter, and the main
// screen's controls.

#include "support/test_session.h"

#include "core/version.h"
#include "screens/title_screen.h"
#include "support/test_main.h"
#include "widgets/canvas_widget.h"
#include "widgets/note_box.h"
#include "widgets/wrapping_radio_button.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>

#include <sys/stat.h>

namespace screens_test {

class TestScreens : public QObject {
    Q_OBJECT
private slots:
    void titleAndSetup();
    void codeField_data();
    void codeField();
    void setupHandsOverItsSettings();
    void setupNotes_data();
    void setupNotes();
    void refusalKeepsTheSetupScreen();
    void unfinishedSessionAsksFirst_data();
    void unfinishedSessionAsksFirst();
    void makeArtStartUp_data();
    void makeArtStartUp();
    void scaleCaptions();
    void sliderChange_data();
    void sliderChange();
    void controlsKeepTheStandardLook();
    void sliderShowsItsFocus();
    void optionsIgnoreADoubleClick();
};

void TestScreens::titleAndSetup() {
    TestSession t;
    t.session->start();
    TitleScreen* title = t.session->titleScreen();
    QCOMPARE(title->findChild<QLabel*>("Label2")->text(), QString("Version ") + kPictorVersion);
    QVERIFY(QTest::qWaitForWindowExposed(title));
    QTest::keyClick(title->findChild<QPushButton*>("Begin"),
                    Qt::Key_Return);  // Enter at once opens the setup
    QVERIFY(!title->isVisible());
    SetupScreen* setup = t.session->setupScreen();
    QVERIFY(setup->isVisible());
    QCOMPARE(clippedCaptions(title), QStringList());
    QCOMPARE(clippedCaptions(setup), QStringList());
    QCOMPARE(t.setup().DataDir->text(), t.folder());
    // Switching to Judge Art and back keeps every value.
    const SetupWidgets& u = t.setup();
    u.HScroll1->setValue(7);
    u.Check5->setChecked(true);
    QTest::mouseClick(u.JudgeArtOption, Qt::LeftButton);
    for (QWidget* w : {static_cast<QWidget*>(u.Command1), static_cast<QWidget*>(u.HScroll1),
                       static_cast<QWidget*>(u.Label4), static_cast<QWidget*>(u.Label5),
                       static_cast<QWidget*>(u.Check4), static_cast<QWidget*>(u.Check5)})
        QVERIFY(!w->isVisible());
    QVERIFY(u.Command2->isVisible());
    QTest::mouseClick(u.MakeArtOption, Qt::LeftButton);
    QVERIFY(u.Command1->isVisible() && u.HScroll1->isVisible() && u.Check5->isVisible() &&
            !u.Command2->isVisible());
    QVERIFY(u.HScroll1->value() == 7 && u.Check5->isChecked());
    setup->close();  // closing the setup screen ends the program
    QCOMPARE(t.ended->size(), 1);
}

void TestScreens::codeField_data() {
    QTest::addColumn<QString>("typed");  // after "0001" is selected and replaced, or appended after "+"
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("refusedAtEnter");
    QTest::newRow("fifth character typed") << "+7"
                                           << "0000" << false;
    QTest::newRow("six digits pasted") << "123456"
                                       << "0000" << false;
    QTest::newRow("four digits") << "4321"
                                 << "4321" << false;
    QTest::newRow("empty") << ""
                           << "" << true;
    QTest::newRow("trailing blank") << "12 "
                                    << "12 " << true;
    QTest::newRow("letter") << "1x"
                            << "1x" << true;
}

void TestScreens::codeField() {
    // A fifth character turns the code into "0000"; Enter says at once what
    // a start would refuse, in the same words.
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, refusedAtEnter);
    TestSession t;
    SetupScreen* setup = t.openSetup();
    QLineEdit* code = t.setup().Text1;
    code->setFocus();
    if (typed.startsWith('+')) {
        code->end(false);
        QTest::keyClicks(code, typed.mid(1));
    } else {
        code->setText(typed);
    }
    QCOMPARE(code->text(), shown);
    QTest::keyClick(code, Qt::Key_Return);
    QMessageBox* box = TestSession::message(setup);
    QCOMPARE(box != nullptr, refusedAtEnter);
    if (!box) return;
    const QString said = box->text();
    box->accept();
    QTRY_VERIFY(!TestSession::message(setup));
    t.startMakeArt();
    QVERIFY(TestSession::message(setup));
    QCOMPARE(TestSession::message(setup)->text(), said);
}

void TestScreens::setupHandsOverItsSettings() {
    // Every field reaches the settings of the start, each with a value that
    // could not be taken for another's.
    TestSession t;
    t.openSetup();
    const SetupWidgets& u = t.setup();
    u.Text1->setText("0712");
    u.DataDir->setText("/lab/");
    u.HScroll1->setValue(3);
    u.HScroll1->setFocus();
    QTest::keyClick(u.HScroll1, Qt::Key_PageUp);  // page step 10
    QTest::keyClick(u.HScroll1, Qt::Key_Left);    // arrow step 1
    QCOMPARE(u.Label5->text(), QString("12"));
    u.HScroll2->setValue(17);
    QCOMPARE(u.Label3->text(), QString("17"));
    const QLineEdit* terms[] = {u.Text1a, u.Text1b, u.Text2a, u.Text2b, u.Text3a, u.Text3b};
    for (int i = 0; i < 6; ++i) const_cast<QLineEdit*>(terms[i])->setText(QStringLiteral("term %1").arg(i));
    u.Check2->setChecked(false);
    u.Check5->setChecked(true);
    const SessionSettings s = t.session->setupScreen()->settings(SessionMode::JudgeArt);
    QCOMPARE(s.mode, SessionMode::JudgeArt);
    QCOMPARE(s.subjectCode, QString("0712"));
    QCOMPARE(s.dataFolder, QString("/lab/"));
    QCOMPARE(s.trials, 12);
    QCOMPARE(s.judgeDelay, 17);
    QStringList got;
    for (int k = 1; k <= 3; ++k)
        got << s.scale(k).left << s.scale(k).right << QString::number(s.scale(k).forced);
    QCOMPARE(got, (QStringList{"term 0", "term 1", "1", "term 2", "term 3", "0", "term 4", "term 5", "1"}));
    QVERIFY(s.forceSettingChange && s.hideSettings);
}

void TestScreens::setupNotes_data() {
    QTest::addColumn<bool>("judge");
    QTest::addColumn<QString>("folder");  // typed
    QTest::addColumn<QString>("code");    // typed
    QTest::addColumn<QStringList>("terms");
    QTest::addColumn<QStringList>("notes");  // widths as N and M
    const QStringList plain{"Pleasing", "Displeasing", "Interesting", "Uninteresting", "Complex", "Simple"};
    QTest::newRow("folder without its separator")
        << false << "/data/lab"
        << "0001" << plain << QStringList{"First data file: /data/lab0001art.dat"};
    QTest::newRow("Judge Art") << true << "/d/"
                               << "12" << plain << QStringList{"First data file: /d/12res2.dat"};
    QTest::newRow("relative folder") << false << "data/"
                                     << "0042" << plain
                                     << QStringList{"First data file: " + QDir::currentPath() +
                                                    "/data/0042art.dat"};
    QTest::newRow("terms too long; scale 3 is not rated")
        << false << "/d/"
        << "7" << QStringList{"Incomprehensibilities", "Nasty", "Odd", "Ununderstandable",
                              "Supercalifragilistic",  "Odd"}
        << QStringList{
               "First data file: /d/7art.dat",
               "\"Incomprehensibilities\" is too long for its options: they need N pixels, not M.",
               "\"Incomprehensibilities\" is too long for the \"Consider How\" box: it needs N pixels, not "
               "M.",
               "\"Ununderstandable\" is too long for its options: they need N pixels, not M."};
}

void TestScreens::setupNotes() {
    // Beside the start button, as the experimenter types: the first data
    // file as the session will write it, and every term of a rated scale too
    // long for the main screen, with the width it needs.
    QFETCH(bool, judge);
    QFETCH(QString, folder);
    QFETCH(QString, code);
    QFETCH(QStringList, terms);
    QFETCH(QStringList, notes);
    TestSession t;
    t.openSetup();
    const SetupWidgets& u = t.setup();
    if (judge) QTest::mouseClick(u.JudgeArtOption, Qt::LeftButton);
    u.Check3->setChecked(false);
    QLineEdit* fields[] = {u.Text1a, u.Text1b, u.Text2a, u.Text2b, u.Text3a, u.Text3b};
    for (int i = 0; i < 6; ++i) fields[i]->setText(terms[i]);
    u.DataDir->clear();
    QTest::keyClicks(u.DataDir, folder);
    QVERIFY(u.notes->text().contains(folder + "0001"));  // the code typed next
    u.Text1->clear();
    QTest::keyClicks(u.Text1, code);
    QString shown = u.notes->text();
    const QRegularExpression widths("(\\d+) pixels, not (\\d+)");
    for (const QRegularExpressionMatch& m : widths.globalMatch(shown))
        QVERIFY2(m.captured(1).toInt() > m.captured(2).toInt(), qPrintable(shown));
    QCOMPARE(shown.replace(widths, "N pixels, not M").split('\n'), notes);
}

void TestScreens::refusalKeepsTheSetupScreen() {
    TestSession t;
    SetupScreen* setup = t.openSetup();
    writeFile(t.file("art.dat"), "kept\r\n");
    ::chmod(QFile::encodeName(t.file("art.dat")).constData(), 0444);
    t.startMakeArt();
    QMessageBox* box = TestSession::message(setup);
    QVERIFY(box && box->text().contains("belongs to a finished session"));
    QVERIFY(!t.main() && setup->isVisible());
    QCOMPARE(readFile(t.file("art.dat")), QByteArray("kept\r\n"));
    QCOMPARE(t.ended->size(), 0);
}

void TestScreens::unfinishedSessionAsksFirst_data() {
    QTest::addColumn<bool>("replace");
    QTest::newRow("declined") << false;
    QTest::newRow("replaced") << true;
}

void TestScreens::unfinishedSessionAsksFirst() {
    QFETCH(bool, replace);
    TestSession t;
    SetupScreen* setup = t.openSetup();
    writeFile(t.file("art.dat"), "1\r\n1\r\n9,40,50,13,255\r\n");
    writeFile(t.file("res.dat"), "1,1,1,6,7,8,1,1,1,2\r\n");
    t.startMakeArt();
    QMessageBox* box = TestSession::message(setup);
    QVERIFY(box);
    for (const char* name : {"art.dat", "res.dat"})
        QVERIFY2(box->text().contains(t.file(name)), qPrintable(box->text()));
    QTest::mouseClick(box->findChild<QPushButton*>(replace ? "confirmButton" : "cancelButton"),
                      Qt::LeftButton);
    QCOMPARE(t.main() != nullptr, replace);
    QCOMPARE(setup->isVisible(), !replace);
    QCOMPARE(readFile(t.file("art.dat")),
             replace ? QByteArray("3\r\n") : QByteArray("1\r\n1\r\n9,40,50,13,255\r\n"));
    QCOMPARE(QFile::exists(t.file("res.dat")), !replace);
    QCOMPARE(QFile::exists(t.file("session.lock")), replace);
}

void TestScreens::makeArtStartUp_data() {
    QTest::addColumn<bool>("forceAny");
    QTest::addColumn<bool>("check4");
    QTest::addColumn<bool>("makePictureShown");
    QTest::addColumn<QString>("instruction");
    QTest::newRow("setting change forced") << true << true << false << "Change Setting(s)";
    QTest::newRow("setting change not forced") << true << false << true << "";
    QTest::newRow("no scale forced: no setting change") << false << true << true << "";
}

void TestScreens::makeArtStartUp() {
    QFETCH(bool, forceAny);
    QFETCH(bool, check4);
    QFETCH(bool, makePictureShown);
    QFETCH(QString, instruction);
    TestSession t;
    t.openSetup();
    QVERIFY(QTest::qWaitForWindowExposed(t.session->setupScreen()));
    QCOMPARE(QApplication::focusWidget(), t.setup().Command1);
    if (!forceAny)
        for (QCheckBox* c : {t.setup().Check1, t.setup().Check2, t.setup().Check3}) c->setChecked(false);
    t.setup().Check4->setChecked(check4);
    QTest::keyClick(t.setup().Command1, Qt::Key_Return);  // Enter on "Make Art", where the focus starts
    const MainWidgets& u = t.main()->ui();
    QVERIFY(t.main()->isVisible() && !t.session->setupScreen()->isVisible());
    QCOMPARE(t.main()->windowTitle(), QString("Make Art !"));
    QCOMPARE(u.Command1->isVisible(), makePictureShown);
    QVERIFY(u.Label10->isVisible());
    QCOMPARE(u.Label10->text(), instruction);
    QVERIFY(!u.Command2->isVisible() && !u.Command3->isVisible());
    for (int k = 1; k <= 3; ++k)
        for (int i = 1; i <= 7; ++i) QVERIFY(!u.scale(k)[i]->isVisible());
    QCOMPARE(readFile(t.file("art.dat")), QByteArray("3\r\n"));
    QCOMPARE(clippedCaptions(t.main()), QStringList());
    QCOMPARE(u.Picture1->image().pixel(10, 10), kPictureGrey);
}

void TestScreens::scaleCaptions() {
    TestSession t;
    t.openSetup();
    t.setup().Text2a->setText("");
    t.setup().Text3b->setText(" very simple ");
    t.startMakeArt();
    const MainWidgets& u = t.main()->ui();
    QStringList ple;
    for (int i = 1; i <= 7; ++i) ple << u.Ple[i]->text();
    QCOMPARE(ple, (QStringList{"Extremely Pleasing", "Very Pleasing", "Pleasing", "Average", "Displeasing",
                               "Very Displeasing", "Extremely Displeasing"}));
    QCOMPARE(u.Int[1]->text(), QString("Extremely "));
    QCOMPARE(u.Int[3]->text(), QString());
    QCOMPARE(u.Com[6]->text(), QString("Very  very simple "));
    // A screen reader names each option by its caption and place, each slider by its caption.
    QStringList named;
    for (QWidget* w : std::initializer_list<QWidget*>{u.Ple[2], u.Com[7], u.Int[4], u.HScroll[1]})
        named << QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    QCOMPARE(named, (QStringList{"Very Pleasing, 2 of 7", "Extremely very simple, 7 of 7", "Average, 4 of 7",
                                 "Total Number of Objects"}));
    t.setup().Text1a->setText("Nice");  // later edits of the hidden setup screen change nothing
    QCOMPARE(u.Ple[3]->text(), QString("Pleasing"));
}

void TestScreens::sliderChange_data() {
    QTest::addColumn<int>("slider");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");  // 0: no change at all
    QTest::newRow("objects right arrow") << 1 << int(Qt::Key_Right) << 6 << 7;
    QTest::newRow("shapes page down") << 2 << int(Qt::Key_PageDown) << 6 << 5;
    QTest::newRow("sizes to two digits") << 3 << int(Qt::Key_End) << 6 << 12;
    QTest::newRow("colours at 12 stays") << 4 << int(Qt::Key_Right) << 12 << 0;
    QTest::newRow("objects at 1 stays") << 1 << int(Qt::Key_Left) << 1 << 0;
}

void TestScreens::sliderChange() {
    QFETCH(int, slider);
    QFETCH(int, key);
    QFETCH(int, start);
    QFETCH(int, expected);
    TestSession t;
    t.openSetup();
    t.startMakeArt();
    const MainWidgets& u = t.main()->ui();
    u.HScroll[slider]->blockSignals(true);
    u.HScroll[slider]->setValue(start);
    u.HScroll[slider]->blockSignals(false);
    u.HScroll[slider]->setFocus();
    QTest::keyClick(u.HScroll[slider], static_cast<Qt::Key>(key));
    QCOMPARE(u.Label[slider]->text(), QString::number(expected ? expected : 6));
    QCOMPARE(u.Command1->isVisible(), expected != 0);  // a change brings "Make Picture" back
    QCOMPARE(u.Label10->text(), expected ? QString() : QString("Change Setting(s)"));
}

void TestScreens::controlsKeepTheStandardLook() {
    // Only the windows take the layout's colours; every slider, button and
    // text box looks as the style draws it.
    TestSession t;
    SetupScreen* setup = t.openSetup();
    t.startMakeArt();
    const QList<QPair<QWidget*, QColor>> windows{{setup, QColor(255, 255, 192)},
                                                 {t.main(), QColor(128, 128, 128)}};
    for (const auto& [window, colour] : windows) {
        QCOMPARE(window->grab().toImage().pixelColor(4, window->height() - 4), colour);
        int controls = 0;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!qobject_cast<QAbstractSlider*>(w) && !qobject_cast<QPushButton*>(w) &&
                !qobject_cast<QLineEdit*>(w))
                continue;
            ++controls;
            for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Base})
                for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                    QVERIFY2(w->palette().color(group, role) == QApplication::palette(w).color(group, role),
                             qPrintable(w->objectName()));
        }
        QVERIFY(controls >= 5);
    }
}

void TestScreens::sliderShowsItsFocus() {
    TestSession t;
    t.openSetup();
    t.startMakeArt();
    QVERIFY(QTest::qWaitForWindowExposed(t.main()));
    QScrollBar* slider = t.main()->ui().HScroll[2];
    t.main()->ui().HScroll[1]->setFocus();
    const QImage without = slider->grab().toImage();
    slider->setFocus();
    const QImage with = slider->grab().toImage();
    const QColor mark = slider->palette().color(QPalette::Highlight);
    QCOMPARE(with.pixelColor(1, with.height() / 2), mark);
    QVERIFY(without.pixelColor(1, without.height() / 2) != mark);
}

void TestScreens::optionsIgnoreADoubleClick() {
    // Two clicks 150 ms apart on "Rate How" and the option below it choose
    // nothing; a click 600 ms later chooses.
    TestSession t;
    t.openSetup();
    t.setup().Check2->setChecked(false);
    t.setup().Check3->setChecked(false);
    t.startMakeArt();
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(400);
    const MainWidgets& u = t.main()->ui();
    t.makePicture();
    QTRY_VERIFY(u.Command3->isVisible());
    QTest::mouseClick(u.Command3, Qt::LeftButton, {}, QPoint(50, 20));  // the part above the options
    QVERIFY(u.Ple[1]->isVisible());
    QTest::qWait(150);
    QTest::mouseClick(u.Ple[1], Qt::LeftButton);
    QTest::qWait(20);
    QVERIFY(!u.Ple[1]->isChecked() && u.Ple[1]->isVisible());
    QTest::qWait(600);
    QTest::mouseClick(u.Ple[1], Qt::LeftButton);
    QTRY_VERIFY(!u.Ple[1]->isVisible());
    QCOMPARE(readFile(t.file("res.dat")).left(17), QByteArray("1,1,6,6,6,6,1,,,0"));
}

PICTOR_TEST(TestScreens);

}  // namespace screens_test

#include "tst_screens.moc"
