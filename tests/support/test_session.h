#pragma once

// A whole program session for widget tests, on fakes and a temporary data folder, with helpers
// that act as the experimenter and the subject would, through the widgets.

#include "support/fakes.h"
#include "support/files.h"

#include "screens/main_screen.h"
#include "screens/session.h"
#include "screens/setup_screen.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestSession {
public:
    // The fakes below stand in for the display system, clock and presentation not given.
    explicit TestSession(SessionDisplay shown = {}, Clock* realClock = nullptr,
                         PresentationFeedback* realPresentation = nullptr);

    FakeClock clock;
    ScriptedRandom random;
    PosixDisk disk;
    FakeDisplay display;
    FakePresentation presentation;
    QTemporaryDir dir;
    std::unique_ptr<Session> session;
    std::unique_ptr<QSignalSpy> ended;

    QString folder() const { return dir.path() + QLatin1Char('/'); }
    // A data file of subject 0001 in the folder, e.g. file("art.dat").
    QString file(const char* name) const { return folder() + "0001" + name; }

    SetupScreen* openSetup();  // "Begin" on the title screen
    const SetupWidgets& setup() { return session->setupScreen()->ui(); }
    MainScreen* main() const { return session->mainScreen(); }

    void startMakeArt() { QTest::mouseClick(setup().Command1, Qt::LeftButton); }
    void startJudgeArt() {
        QTest::mouseClick(setup().JudgeArtOption, Qt::LeftButton);
        QTest::mouseClick(setup().Command2, Qt::LeftButton);
    }
    void setSliders(int objects, int shapes, int sizes, int colours) {
        for (int n = 1; int v : {objects, shapes, sizes, colours}) main()->ui().HScroll[n++]->setValue(v);
    }
    void makePicture() { QTest::mouseClick(main()->ui().Command1, Qt::LeftButton); }
    // Answers each forced scale in turn with the given option; false when a step did not come.
    bool rate(const QList<int>& choices);

    // The message box shown over a window, if any.
    static QMessageBox* message(QWidget* window) { return window->findChild<QMessageBox*>("pictorMessage"); }
};

// The window's labels, check boxes, option buttons and push buttons whose caption does not fit.
QStringList clippedCaptions(QWidget* window);
