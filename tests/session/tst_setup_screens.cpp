#include "support/test_session.h"

#include "core/version.h"
#include "screens/title_screen.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSysInfo>
#include <QTest>

#include <sys/stat.h>

class TestSetupScreens : public QObject {
    Q_OBJECT
private slots:
    void titleScreen();
    void captionsFit();
    void enterOnBeginOpensSetup();
    void closingTitleEndsProgram();
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
    void oneSessionPerSubject();
};

void TestSetupScreens::titleScreen() {
    TestSession t;
    t.session->start();
    TitleScreen* title = t.session->Startup();
    QCOMPARE(title->windowTitle(), QString("Ruz Avevu"));
    QCOMPARE(title->findChild<QLabel*>("Label2")->text(), QString("Version ") + kPictorVersion);
    QCOMPARE(title->grab().toImage().pixelColor(10, 100), QColor(255, 255, 192));
    QTest::mouseClick(title->findChild<QPushButton*>("Begin"), Qt::LeftButton);
    QVERIFY(!title->isVisible());
    SetupScreen* setup = t.session->ArtTest();
    QVERIFY(setup->isVisible());
    QCOMPARE(t.session->module1.NumTrials, std::int16_t(3));
    QCOMPARE(t.setup().Text1->text(), QString("0001"));
    QCOMPARE(t.setup().DataDir->text(), t.folder());
    QVERIFY(t.setup().Command1->isVisible() && !t.setup().Command2->isVisible());
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
    // Each start is refused before anything is written; setup is a list of
    // file name = content, where content "<ro>" is a read-only file, "<dir>"
    // a folder, "<link>" a link to a file outside, "<fifo>" a named pipe.
    QTest::addColumn<QString>("code");    // "judge:" in front: a Judge Art start
    QTest::addColumn<QString>("folder");  // relative to the temporary folder
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("expected");  // parts of the message
    QTest::newRow("letters") << "12a4"
                             << "" << QStringList{} << QStringList{"\"12a4\"", "1 to 4 digits"};
    QTest::newRow("empty code") << ""
                                << "" << QStringList{} << QStringList{"1 to 4 digits"};
    QTest::newRow("path in code") << "../x"
                                  << "" << QStringList{} << QStringList{"1 to 4 digits"};
    QTest::newRow("missing folder") << "0001"
                                    << "missing/" << QStringList{} << QStringList{"missing\" does not exist"};
    QTest::newRow("folder is a file")
        << "0001"
        << "plain/" << QStringList{"plain=x"} << QStringList{"plain\" is not a folder"};
    QTest::newRow("finished session") << "0001"
                                      << "" << QStringList{"0001art.dat=<ro>", "0001res.dat=<ro>"}
                                      << QStringList{"0001art.dat\" is read-only", "subject 0001"};
    QTest::newRow("finished results only")
        << "0001"
        << "" << QStringList{"0001res.dat=<ro>"} << QStringList{"0001res.dat\" is read-only"};
    QTest::newRow("pictures judged in a finished session")
        << "0001"
        << "" << QStringList{"0001res2.dat=<ro>"} << QStringList{"0001res2.dat\" is read-only"};
    QTest::newRow("results a link") << "0001"
                                    << "" << QStringList{"0001res.dat=<link>"}
                                    << QStringList{"0001res.dat\" is a symbolic link"};
    QTest::newRow("picture store a pipe")
        << "0001"
        << "" << QStringList{"0001art.dat=<fifo>"} << QStringList{"0001art.dat\" is a named pipe"};
    QTest::newRow("picture store a folder, earlier session unfinished")
        << "0001"
        << "" << QStringList{"0001art.dat=<dir>", "0001res.dat=1,1,1,1,1,1,,,,1\r\n"}
        << QStringList{"0001art.dat\" is a folder"};
    QTest::newRow("record a link") << "0001"
                                   << "" << QStringList{"0001session.json=<link>"}
                                   << QStringList{"0001session.json\" is a symbolic link"};
    const QString store = "0001art.dat=1\r\n1\r\n9,40,50,13,255\r\n";
    const QString results = "0001res.dat=1,1,1,2,3,4,1,4,7,2.5\r\n";
    QTest::newRow("judge: no picture store")
        << "judge:0001"
        << "" << QStringList{results} << QStringList{"0001art.dat\"", "does not exist"};
    QTest::newRow("judge: another subject's results")
        << "judge:0001"
        << "" << QStringList{store, "0001res.dat=7,1,1,2,3,4,,,,0\r\n"}
        << QStringList{"0001res.dat\"", "belongs to subject 7"};
    QTest::newRow("judge: results a pipe")
        << "judge:0001"
        << "" << QStringList{store, "0001res.dat=<fifo>"} << QStringList{"0001res.dat\" is a named pipe"};
    QTest::newRow("judge: finished") << "judge:0001"
                                     << "" << QStringList{store, results, "0001res2.dat=<ro>"}
                                     << QStringList{"0001res2.dat\" is read-only"};
}

void TestSetupScreens::refusedStarts() {
    QFETCH(QString, code);
    QFETCH(QString, folder);
    QFETCH(QStringList, setup);
    QFETCH(QStringList, expected);
    TestSession t;
    SetupScreen* w = t.openSetup();
    const QString outside = t.folder() + "outside.dat";
    writeFile(outside, "kept\r\n");
    for (const QString& item : setup) {
        const QString name = item.section('=', 0, 0), content = item.section('=', 1);
        const QString path = t.folder() + name;
        if (content == "<dir>")
            QVERIFY(QDir().mkdir(path));
        else if (content == "<link>")
            QVERIFY(QFile::link(outside, path));
        else if (content == "<fifo>")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        else
            writeFile(path, content == "<ro>" ? QByteArray("kept\r\n") : content.toUtf8());
        if (content == "<ro>") QVERIFY(PosixDisk().makeReadOnly(path).isOk());
    }
    const QStringList before =
        QDir(t.folder()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    const bool judge = code.startsWith("judge:");
    t.setup().Text1->setText(code.section(':', -1));
    t.setup().DataDir->setText(t.folder() + folder);
    judge ? t.startJudgeArt() : t.startMakeArt();
    QMessageBox* box = TestSession::message(w);
    QVERIFY(box);
    for (const QString& part : expected) QVERIFY2(box->text().contains(part), qPrintable(box->text()));
    QVERIFY(!t.main());
    QVERIFY(w->isVisible());
    QCOMPARE(t.session->module1.MakeArt + t.session->module1.JudgeArt, 0);
    QCOMPARE(QDir(t.folder()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), before);
    QCOMPARE(readFile(outside), QByteArray("kept\r\n"));
    QCOMPARE(t.ended->size(), 0);
}

void TestSetupScreens::unfinishedSessionAsksFirst_data() {
    QTest::addColumn<bool>("makeArt");
    QTest::addColumn<QStringList>("files");  // of the unfinished session, all named in the question
    QTest::addColumn<bool>("replace");
    const QStringList made{"0001art.dat", "0001res.dat", "0001session.json"};
    QTest::newRow("Make Art declined") << true << made << false;
    QTest::newRow("Make Art replaced") << true << made << true;
    QTest::newRow("Make Art, results without pictures") << true << QStringList{"0001res.dat"} << true;
    QTest::newRow("Judge Art declined") << false << QStringList{"0001res2.dat", "0001session2.json"} << false;
    QTest::newRow("Judge Art replaced") << false << QStringList{"0001res2.dat", "0001session2.json"} << true;
}

void TestSetupScreens::unfinishedSessionAsksFirst() {
    QFETCH(bool, makeArt);
    QFETCH(QStringList, files);
    QFETCH(bool, replace);
    TestSession t;
    SetupScreen* setup = t.openSetup();
    writeFile(t.folder() + "0001art.dat", "1\r\n1\r\n9,40,50,13,255\r\n");
    writeFile(t.folder() + "0001res.dat", "1,1,1,6,7,8,1,1,1,2\r\n");
    for (const QString& name : files) writeFile(t.folder() + name, "old " + name.toUtf8());
    if (!makeArt && !replace) writeFile(t.folder() + "0001res2.dat", "1,1,1,6,7,8,1,1,1,2,3,3,3,1\r\n");
    QMap<QString, QByteArray> before;
    for (const QString& name : QDir(t.folder()).entryList(QDir::Files))
        before[name] = readFile(t.folder() + name);
    makeArt ? t.startMakeArt() : t.startJudgeArt();
    QMessageBox* box = TestSession::message(setup);
    QVERIFY(box);
    for (const QString& name : files)
        QVERIFY2(box->text().contains(t.folder() + name), qPrintable(box->text()));
    QVERIFY(!t.main());
    QVERIFY(QFile::exists(t.folder() + "0001session.lock"));  // held while asking
    QTest::mouseClick(box->findChild<QPushButton*>(replace ? "confirmButton" : "cancelButton"),
                      Qt::LeftButton);
    QCOMPARE(t.main() != nullptr, replace);
    if (!replace) {
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QCOMPARE(readFile(t.folder() + it.key()), it.value());
        QVERIFY(!QFile::exists(t.folder() + "0001session.lock"));
        return;
    }
    // Replaced before the first picture: only the new session's files are there.
    for (const QString& name : files) QVERIFY(!readFile(t.folder() + name).startsWith("old "));
    QVERIFY(!QFile::exists(t.folder() + (makeArt ? "0001res.dat" : "0001res2.dat")));
    if (makeArt) QCOMPARE(readFile(t.folder() + "0001art.dat"), QByteArray("3\r\n"));
    const QJsonObject record =
        QJsonDocument::fromJson(readFile(t.folder() + (makeArt ? "0001session.json" : "0001session2.json")))
            .object();
    QCOMPARE(record["status"].toString(), QString("running"));
}

void TestSetupScreens::oneSessionPerSubject() {
    // Another process holds the subject's lock: the start names it and
    // touches nothing. A lock left by a process that is gone is taken over.
    TestSession t;
    SetupScreen* setup = t.openSetup();
    const QString path = t.folder() + "0001session.lock";
    {
        QLockFile other(path);
        QVERIFY(other.tryLock());
        QFile::rename(path, path + ".held");
    }
    QFile::rename(path + ".held", path);  // held by this process, as a second copy sees it
    t.startMakeArt();
    QMessageBox* box = TestSession::message(setup);
    QVERIFY(box);
    QVERIFY2(box->text().contains("Subject 0001 is already in a session") &&
                 box->text().contains(QString::number(QCoreApplication::applicationPid())),
             qPrintable(box->text()));
    QVERIFY(!QFile::exists(t.folder() + "0001art.dat"));
    box->accept();
    QTRY_VERIFY(!TestSession::message(setup));

    writeFile(path, "2147483000\nPictor\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    t.startMakeArt();
    QVERIFY(t.main());
    QCOMPARE(readFile(t.folder() + "0001art.dat"), QByteArray("3\r\n"));
}

QTEST_MAIN(TestSetupScreens)
#include "tst_setup_screens.moc"
