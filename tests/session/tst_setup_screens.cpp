#include "support/test_session.h"

#include "screens/title_screen.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

class TestSetupScreens : public QObject {
    Q_OBJECT
private slots:
    void titleScreen();
    void captionsFit();
    void enterOnBeginOpensSetup();
    void closingTitleEndsProgram();
    void setupDefaults_data();
    void setupDefaults();
    void codeFieldKeepsFourCharacters_data();
    void codeFieldKeepsFourCharacters();
    void enterInCodeField_data();
    void enterInCodeField();
    void slidersWriteSessionRecord();
    void modeSwitchKeepsValues();
    void startCopiesCodeBeforeMainScreen();
    void enterOnMakeArtStartsWithDefaults();
    void refusedStarts_data();
    void refusedStarts();
    void unfinishedSessionAsksFirst_data();
    void unfinishedSessionAsksFirst();
};

void TestSetupScreens::titleScreen() {
    TestSession t;
    t.session->start();
    TitleScreen* title = t.session->Startup();
    QCOMPARE(title->windowTitle(), QString("Ruz Avevu"));
    QCOMPARE(title->size(), QSize(463, 260));
    auto* begin = title->findChild<QPushButton*>("Begin");
    QCOMPARE(begin->geometry(), QRect(191, 208, 81, 33));
    auto* name = title->findChild<QLabel*>("Label1");
    QCOMPARE(name->text(), QString("Pictor"));
    QCOMPARE(name->font().family(), QString("Old English Text MT"));
    QCOMPARE(name->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(title->findChild<QLabel*>("Subtitle")->font().bold(), true);
    QCOMPARE(title->grab().toImage().pixelColor(10, 100), QColor(255, 255, 192));
    QTest::mouseClick(begin, Qt::LeftButton);
    QVERIFY(!title->isVisible());
    QVERIFY(t.session->ArtTest()->isVisible());
    QCOMPARE(t.session->module1.NumTrials, std::int16_t(3));
}

void TestSetupScreens::captionsFit() {
    TestSession t;
    SetupScreen* setup = t.openSetup();
    QCOMPARE(clippedCaptions(t.session->Startup()), QStringList());
    QCOMPARE(clippedCaptions(setup), QStringList());
    t.startMakeArt();
    QCOMPARE(clippedCaptions(t.main()), QStringList());
}

void TestSetupScreens::enterOnBeginOpensSetup() {
    TestSession t;
    t.session->start();
    auto* begin = t.session->Startup()->findChild<QPushButton*>("Begin");
    QVERIFY(QTest::qWaitForWindowExposed(t.session->Startup()));
    begin->setFocus();
    QTest::keyClick(begin, Qt::Key_Return);
    QVERIFY(t.session->ArtTest()->isVisible());
}

void TestSetupScreens::closingTitleEndsProgram() {
    TestSession t;
    t.session->start();
    t.session->Startup()->close();
    QCOMPARE(t.ended->size(), 1);
    QCOMPARE(t.ended->first().first().toInt(), 0);
}

void TestSetupScreens::setupDefaults_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("visible");
    QTest::newRow("Label1") << "Label1" << "Pictor" << true;
    QTest::newRow("MakeArtOption") << "MakeArtOption" << "Make Art" << true;
    QTest::newRow("JudgeArtOption") << "JudgeArtOption" << "Judge Art" << true;
    QTest::newRow("Label4") << "Label4" << "Set Number of Trials" << true;
    QTest::newRow("Label5") << "Label5" << "3" << true;
    QTest::newRow("Label2") << "Label2" << "Enter Subject's 4 Digit Code" << true;
    QTest::newRow("Text1") << "Text1" << "0001" << true;
    QTest::newRow("Label6") << "Label6" << "Judgement Delay Time" << true;
    QTest::newRow("Label3") << "Label3" << "0" << true;
    QTest::newRow("Check2") << "Check2" << "Force Judgement On" << true;
    QTest::newRow("Text2a") << "Text2a" << "Interesting" << true;
    QTest::newRow("Text3b") << "Text3b" << "Simple" << true;
    QTest::newRow("Label7") << "Label7" << "Note:   One can enter alternative terms for any of the three scales." << true;
    QTest::newRow("Check4") << "Check4" << "Force Setting Change Before New Image Creation" << true;
    QTest::newRow("Check5") << "Check5" << "Hide Image Creation Settings After Image Created" << true;
    QTest::newRow("Command1") << "Command1" << "Make Art" << true;
    QTest::newRow("Command2") << "Command2" << "Judge Art" << false;
}

void TestSetupScreens::setupDefaults() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, visible);
    TestSession t;
    SetupScreen* setup = t.openSetup();
    QCOMPARE(setup->size(), QSize(347, 424));
    QWidget* w = setup->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->property("text").toString(), text);
    QCOMPARE(w->isVisible(), visible);
    QCOMPARE(w->isEnabled(), true);
    QCOMPARE(w->font().family(), name == "Label1" ? QString("Old English Text MT") : QString("MS Sans Serif"));
    // Every widget lies inside the window.
    QVERIFY(setup->rect().contains(w->geometry()));
}

void TestSetupScreens::codeFieldKeepsFourCharacters_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fifth character typed") << "7" << QString() << "0000";
    QTest::newRow("six digits pasted") << QString() << "123456"
                                       << "0000";
    QTest::newRow("four digits pasted") << QString() << "4321"
                                        << "4321";
}

void TestSetupScreens::codeFieldKeepsFourCharacters() {
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    TestSession t;
    t.openSetup();
    QLineEdit* code = t.setup().Text1;
    if (!typed.isEmpty()) {
        code->setFocus();
        code->end(false);
        QTest::keyClicks(code, typed);
    } else {
        code->setText(pasted);
    }
    QCOMPARE(code->text(), expected);
}

void TestSetupScreens::enterInCodeField_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("refused");
    QTest::newRow("four digits") << "0012" << false;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("trailing blank") << "12 " << true;
    QTest::newRow("letter") << "1x" << true;
}

void TestSetupScreens::enterInCodeField() {
    // Enter says at once what a start would refuse, in the same words.
    QFETCH(QString, code);
    QFETCH(bool, refused);
    TestSession t;
    SetupScreen* setup = t.openSetup();
    t.setup().Text1->setText(code);
    QTest::keyClick(t.setup().Text1, Qt::Key_Return);
    QMessageBox* box = TestSession::message(setup);
    QCOMPARE(box != nullptr, refused);
    QCOMPARE(t.setup().Text1->text(), code);
    if (!refused) return;
    const QString said = box->text();
    box->accept();
    QTRY_VERIFY(!TestSession::message(setup));
    t.startMakeArt();
    QVERIFY(TestSession::message(setup));
    QCOMPARE(TestSession::message(setup)->text(), said);
}

void TestSetupScreens::slidersWriteSessionRecord() {
    TestSession t;
    t.openSetup();
    t.setup().HScroll1->setValue(500);
    t.setup().HScroll2->setValue(20);
    QCOMPARE(t.session->module1.NumTrials, std::int16_t(500));
    QCOMPARE(t.setup().Label5->text(), QString("500"));
    QCOMPARE(t.session->module1.JudgeDelay, std::int16_t(20));
    QCOMPARE(t.setup().Label3->text(), QString("20"));
    // The page step of the trials slider is 10, its arrow step 1.
    t.setup().HScroll1->setValue(3);
    t.setup().HScroll1->setFocus();
    QTest::keyClick(t.setup().HScroll1, Qt::Key_PageUp);
    QCOMPARE(t.session->module1.NumTrials, std::int16_t(13));
    QTest::keyClick(t.setup().HScroll1, Qt::Key_Left);
    QCOMPARE(t.setup().Label5->text(), QString("12"));
}

void TestSetupScreens::modeSwitchKeepsValues() {
    TestSession t;
    t.openSetup();
    const SetupWidgets& u = t.setup();
    u.HScroll1->setValue(7);
    u.Check5->setChecked(true);
    QTest::mouseClick(u.JudgeArtOption, Qt::LeftButton);
    for (QWidget* w :
         std::initializer_list<QWidget*>{u.Command1, u.HScroll1, u.Label4, u.Label5, u.Check4, u.Check5})
        QVERIFY(!w->isVisible());
    QVERIFY(u.Command2->isVisible());
    QVERIFY(!u.MakeArtOption->isChecked());
    QTest::mouseClick(u.MakeArtOption, Qt::LeftButton);
    QVERIFY(u.Command1->isVisible() && u.HScroll1->isVisible() && u.Check5->isVisible());
    QVERIFY(!u.Command2->isVisible());
    QCOMPARE(u.HScroll1->value(), 7);
    QVERIFY(u.Check5->isChecked());
}

void TestSetupScreens::startCopiesCodeBeforeMainScreen() {
    TestSession t;
    t.openSetup();
    t.setup().Text1->setText("12");
    t.startMakeArt();
    QVERIFY(t.main());
    QCOMPARE(t.session->module1.SubjectCode, QString("12"));
    QCOMPARE(t.session->module1.MakeArt, std::int16_t(1));
    QCOMPARE(t.session->module1.JudgeArt, std::int16_t(0));
    QCOMPARE(readFile(t.folder() + "12art.dat"), QByteArray("3\r\n"));
    QVERIFY(t.main()->isVisible());
    QVERIFY(!t.session->ArtTest()->isVisible());
}

void TestSetupScreens::enterOnMakeArtStartsWithDefaults() {
    TestSession t;
    t.openSetup();
    QVERIFY(QTest::qWaitForWindowExposed(t.session->ArtTest()));
    QCOMPARE(QApplication::focusWidget(), t.setup().Command1);
    QTest::keyClick(t.setup().Command1, Qt::Key_Return);
    QVERIFY(t.main());
    QCOMPARE(readFile(t.folder() + "0001art.dat"), QByteArray("3\r\n"));
    QCOMPARE(t.session->module1.JudgeDelay, std::int16_t(0));
}

void TestSetupScreens::refusedStarts_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("folder");    // relative to the temporary folder
    QTest::addColumn<QString>("existing");  // art.dat left by an earlier session
    QTest::addColumn<QString>("expected");  // a part of the message
    QTest::newRow("letters") << "12a4"
                             << ""
                             << ""
                             << "1 to 4 digits";
    QTest::newRow("empty code") << ""
                                << ""
                                << ""
                                << "1 to 4 digits";
    QTest::newRow("path in code") << "../x"
                                  << ""
                                  << ""
                                  << "1 to 4 digits";
    QTest::newRow("sign") << "-1"
                          << ""
                          << ""
                          << "1 to 4 digits";
    QTest::newRow("missing folder") << "0001"
                                    << "missing/"
                                    << ""
                                    << "does not exist";
    QTest::newRow("finished session") << "0001"
                                      << ""
                                      << "readonly"
                                      << "read-only";
    QTest::newRow("finished results only") << "0001"
                                           << ""
                                           << "resreadonly"
                                           << "read-only";
}

void TestSetupScreens::refusedStarts() {
    QFETCH(QString, code);
    QFETCH(QString, folder);
    QFETCH(QString, existing);
    QFETCH(QString, expected);
    TestSession t;
    SetupScreen* setup = t.openSetup();
    t.setup().Text1->setText(code);
    t.setup().DataDir->setText(t.folder() + folder);
    const QString art = t.folder() + folder + code + "art.dat";
    if (existing == "readonly") {
        writeFile(art, "2\r\n1\r\n9,40,50,13,255\r\n");
        QFile::setPermissions(art, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    const QString res = t.folder() + code + "res.dat";
    if (existing == "resreadonly") {
        writeFile(res, "1,1,1,1,1,1,1,1,1,1\r\n");
        QFile::setPermissions(res, QFile::ReadOwner);
    }
    t.setup().Check1->setChecked(false);
    t.setup().Check2->setChecked(false);
    t.setup().Check3->setChecked(false);
    t.startMakeArt();
    QMessageBox* box = TestSession::message(setup);
    QVERIFY(box);
    QVERIFY2(box->text().contains(expected), qPrintable(box->text()));
    if (!folder.isEmpty() || existing == "readonly") QVERIFY(box->text().contains(art));
    if (existing == "resreadonly") {
        QVERIFY(box->text().contains(res));
        QVERIFY(!QFile::exists(art));
    }
    QVERIFY(!t.main());
    QVERIFY(setup->isVisible());
    QCOMPARE(t.session->module1.MakeArt, std::int16_t(0));
    QCOMPARE(t.session->module1.SubjectCode, QString());
    QVERIFY(t.setup().Check4->isChecked());  // the main screen's start-up never ran
    if (existing == "readonly") QCOMPARE(readFile(art), QByteArray("2\r\n1\r\n9,40,50,13,255\r\n"));
    QCOMPARE(t.ended->size(), 0);
}

void TestSetupScreens::unfinishedSessionAsksFirst_data() {
    QTest::addColumn<bool>("makeArt");
    QTest::addColumn<bool>("replace");
    QTest::newRow("Make Art declined") << true << false;
    QTest::newRow("Make Art confirmed") << true << true;
    QTest::newRow("Judge Art declined") << false << false;
    QTest::newRow("Judge Art confirmed") << false << true;
}

void TestSetupScreens::unfinishedSessionAsksFirst() {
    QFETCH(bool, makeArt);
    QFETCH(bool, replace);
    TestSession t;
    SetupScreen* setup = t.openSetup();
    const QByteArray art = "1\r\n1\r\n9,40,50,13,255\r\n";
    const QByteArray res2 = "1,1,1,6,6,6,1,1,1,2,3,3,3,1\r\n";
    writeFile(t.folder() + "0001art.dat", art);
    writeFile(t.folder() + "0001res.dat", "1,1,1,6,6,6,1,1,1,2\r\n");
    if (!makeArt) writeFile(t.folder() + "0001res2.dat", res2);
    makeArt ? t.startMakeArt() : t.startJudgeArt();
    QMessageBox* box = TestSession::message(setup);
    QVERIFY(box);
    QVERIFY(box->text().contains(t.folder() + (makeArt ? "0001art.dat" : "0001res2.dat")));
    QVERIFY(!t.main());
    QTest::mouseClick(box->findChild<QPushButton*>(replace ? "confirmButton" : "cancelButton"),
                      Qt::LeftButton);
    QCOMPARE(t.main() != nullptr, replace);
    QCOMPARE(readFile(t.folder() + "0001art.dat"), makeArt && replace ? QByteArray("3\r\n") : art);
    if (!makeArt) QCOMPARE(readFile(t.folder() + "0001res2.dat"), res2);  // replaced only at trial 1
    QCOMPARE(makeArt ? t.session->module1.MakeArt : t.session->module1.JudgeArt,
             std::int16_t(replace ? 1 : 0));
}

QTEST_MAIN(TestSetupScreens)
#include "tst_setup_screens.moc"
