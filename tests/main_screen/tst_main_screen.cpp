#include "support/test_session.h"

#include "runs/trial_run.h"
#include "widgets/canvas_widget.h"
#include "widgets/wrapping_radio_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>

class TestMainScreen : public QObject {
    Q_OBJECT
private slots:
    void makeArtStartUp_data();
    void makeArtStartUp();
    void layout();
    void scaleCaptions();
    void judgeArtStartUp_data();
    void judgeArtStartUp();
    void sliderChange_data();
    void sliderChange();
    void rateButtonLatches();
    void controlsKeepTheStandardLook();
    void sliderShowsItsFocus();
    void optionsIgnoreADoubleClick();
};

void TestMainScreen::makeArtStartUp_data() {
    QTest::addColumn<bool>("forceAny");
    QTest::addColumn<bool>("check4");
    QTest::addColumn<bool>("makePictureShown");
    QTest::addColumn<QString>("instruction");
    QTest::newRow("setting change forced") << true << true << false << "Change Setting(s)";
    QTest::newRow("setting change not forced") << true << false << true << "";
    QTest::newRow("no scale forced clears Check4") << false << true << true << "";
}

void TestMainScreen::makeArtStartUp() {
    QFETCH(bool, forceAny);
    QFETCH(bool, check4);
    QFETCH(bool, makePictureShown);
    QFETCH(QString, instruction);
    TestSession t;
    t.openSetup();
    t.setup().HScroll1->setValue(4);
    if (!forceAny)
        for (QCheckBox* c : {t.setup().Check1, t.setup().Check2, t.setup().Check3}) c->setChecked(false);
    t.setup().Check4->setChecked(check4);
    t.startMakeArt();
    const MainWidgets& u = t.main()->ui();
    QCOMPARE(t.main()->windowTitle(), QString("Make Art !"));
    QCOMPARE(u.Command1->isVisible(), makePictureShown);
    QVERIFY(u.Label10->isVisible());
    QCOMPARE(u.Label10->text(), instruction);
    QCOMPARE(t.session->settings().forceSettingChange, check4 && forceAny);
    QVERIFY(!u.Command2->isVisible() && !u.Command2->isEnabled());
    QVERIFY(!u.Command3->isVisible() && !u.Command3->isEnabled());
    for (int n = 1; n <= 4; ++n) QVERIFY(u.HScroll[n]->isVisible());
    for (int k = 1; k <= 3; ++k)
        for (int i = 1; i <= 7; ++i) QVERIFY(!u.scale(k)[i]->isVisible());
    QVERIFY(!t.main()->ObjectCount.has_value());
    QCOMPARE(readFile(t.file("art.dat")), QByteArray("4\r\n"));
}

void TestMainScreen::layout() {
    TestSession t;
    t.openSetup();
    t.startMakeArt();
    MainScreen* m = t.main();
    QCOMPARE(m->size(), QSize(664, 457));
    // The picture box: 471 x 375 pixels inside a border of 2.
    QCOMPARE(m->ui().Picture1->geometry(), QRect(24, 8, 475, 379));
    QCOMPARE(m->ui().Picture1->image().size(), QSize(471, 375));
    // The three rows of options stand on top of one another, each option at
    // the left and width of its index.
    const int lefts[] = {0, 120, 1680, 3120, 4560, 5640, 7080, 8520};
    const int widths[] = {0, 1455, 1335, 1335, 975, 1335, 1335, 1335};
    for (int k = 1; k <= 3; ++k)
        for (int i = 1; i <= 7; ++i)
            QCOMPARE(m->ui().scale(k)[i]->geometry(), QRect(lefts[i] / 15, 416, widths[i] / 15, 33));
    QCOMPARE(m->ui().Picture1->image().pixelColor(10, 10), QColor(192, 192, 192));
}

void TestMainScreen::scaleCaptions() {
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
    QCOMPARE(u.Int[2]->text(), QString("Very "));
    QCOMPARE(u.Int[3]->text(), QString());
    QCOMPARE(u.Com[6]->text(), QString("Very  very simple "));
    // Later edits of the hidden setup screen change nothing.
    t.setup().Text1a->setText("Nice");
    QCOMPARE(u.Ple[3]->text(), QString("Pleasing"));
}

void TestMainScreen::judgeArtStartUp_data() {
    QTest::addColumn<bool>("check4");
    QTest::newRow("setting change forced") << true;
    QTest::newRow("setting change not forced") << false;
}

void TestMainScreen::judgeArtStartUp() {
    QFETCH(bool, check4);
    TestSession t;
    t.openSetup();
    writeFile(t.folder() + "0001art.dat", "1\r\n0\r\n");
    writeFile(t.folder() + "0001res.dat", "1,1,0,6,6,6,1,2,3,1.5\r\n");
    t.setup().Check4->setChecked(check4);
    t.startJudgeArt();
    QVERIFY(t.main());
    const MainWidgets& u = t.main()->ui();
    QCOMPARE(t.main()->windowTitle(), QString("Judge Art"));
    QCOMPARE(u.Label9->text(), QString("Judge Art"));
    QVERIFY(u.Command2->isVisible() && u.Command2->isEnabled());
    QVERIFY(!u.Command1->isVisible());
    QVERIFY(!u.Label10->isVisible());
    for (int n = 1; n <= 4; ++n) QVERIFY(!u.HScroll[n]->isVisible());
    for (int n = 1; n <= 8; ++n) QVERIFY(!u.Label[n]->isVisible());
    QCOMPARE(t.session->module1.JudgeArt, std::int16_t(1));
    QCOMPARE(readFile(t.folder() + "0001art.dat"), QByteArray("1\r\n0\r\n"));
}

void TestMainScreen::sliderChange_data() {
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

void TestMainScreen::sliderChange() {
    QFETCH(int, slider);
    QFETCH(int, key);
    QFETCH(int, start);
    QFETCH(int, expected);
    TestSession t;
    t.openSetup();
    const SetupWidgets& setup = t.setup();
    setup.HScroll1->setValue(3);
    t.startMakeArt();
    const MainWidgets& u = t.main()->ui();
    // Start from the given value with the setting-change state restored.
    u.HScroll[slider]->blockSignals(true);
    u.HScroll[slider]->setValue(start);
    u.HScroll[slider]->blockSignals(false);
    u.Command1->hide();
    u.Label10->setText("Change Setting(s)");
    u.HScroll[slider]->setFocus();
    QTest::keyClick(u.HScroll[slider], static_cast<Qt::Key>(key));
    const std::optional<std::int16_t>* values[] = {nullptr, &t.main()->ObjectCount, &t.main()->ShapeCount,
                                                   &t.main()->SizeCount, &t.main()->ColourCount};
    if (expected == 0) {
        QVERIFY(!values[slider]->has_value());
        QVERIFY(!u.Command1->isVisible());
        QCOMPARE(u.Label10->text(), QString("Change Setting(s)"));
        return;
    }
    QCOMPARE(int(**values[slider]), expected);
    QCOMPARE(u.Label[slider]->text(), QString::number(expected));
    QVERIFY(u.Command1->isVisible());
    QCOMPARE(u.Label10->text(), QString());
}

void TestMainScreen::rateButtonLatches() {
    TestSession t;
    t.openSetup();
    t.startMakeArt();
    t.main()->Command3_Click();
    t.main()->Command3_Click();
    QCOMPARE(t.session->module1.RateFlag, std::int16_t(1));
}

void TestMainScreen::controlsKeepTheStandardLook() {
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

void TestMainScreen::sliderShowsItsFocus() {
    TestSession t;
    t.openSetup();
    t.startMakeArt();
    QVERIFY(QTest::qWaitForWindowExposed(t.main()));
    QScrollBar* slider = t.main()->ui().HScroll[2];
    t.main()->ui().HScroll[1]->setFocus();
    const QImage without = slider->grab().toImage();
    slider->setFocus();
    QVERIFY(slider->hasFocus());
    const QImage with = slider->grab().toImage();
    const QColor mark = slider->palette().color(QPalette::Highlight);
    QCOMPARE(with.pixelColor(1, with.height() / 2), mark);
    QVERIFY(without.pixelColor(1, without.height() / 2) != mark);
}

void TestMainScreen::optionsIgnoreADoubleClick() {
    // Two clicks 150 ms apart on "Rate How" and the option below it choose
    // nothing; a click 600 ms later chooses.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(400);
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
    QVERIFY(!u.Ple[1]->isChecked());
    QVERIFY(u.Ple[1]->isVisible());
    QVERIFY(!t.main()->run().results().PleRating[1].has_value());
    QTest::qWait(600);
    QTest::mouseClick(u.Ple[1], Qt::LeftButton);
    QCOMPARE(t.main()->run().results().PleRating[1], std::optional<int>(1));
    QTRY_VERIFY(!u.Ple[1]->isVisible());
}

QTEST_MAIN(TestMainScreen)
#include "tst_main_screen.moc"
