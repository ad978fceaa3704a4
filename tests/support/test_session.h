#pragma once

// A whole program session for widget tests: a fake clock, a scripted random
// source, a temporary data folder and helpers that act as the experimenter
// and the subject would, through the widgets.

#include "support/fakes.h"
#include "support/files.h"

#include "screens/main_screen.h"
#include "screens/session.h"
#include "screens/setup_screen.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

class QMessageBox;

class TestSession {
public:
    static constexpr int kDoubleClickMs = 30;

    // The clock, the window system's presentation and the display system
    // are the fakes below unless real ones are given; they must outlive the
    // session.
    explicit TestSession(SessionDisplay shown = {}, Clock* realClock = nullptr,
                         PresentationFeedback* realPresentation = nullptr);
    ~TestSession();

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

    // Title screen "Begin": the setup screen is created and shown.
    SetupScreen* openSetup();
    const SetupWidgets& setup() { return session->setupScreen()->ui(); }
    MainScreen* main() const { return session->mainScreen(); }

    void startMakeArt();
    void startJudgeArt();

    // Sets the four composition sliders.
    void setSliders(int objects, int shapes, int sizes, int colours);
    void makePicture();
    // Answers each forced scale in turn with the given option index.
    // Returns false when a step did not appear in time.
    bool rate(const QList<int>& choices);

    // The message box shown over a window, if any.
    static QMessageBox* message(QWidget* window);
};

// Names of the window's labels, check boxes, option buttons and push
// buttons whose caption does not fit their box.
QStringList clippedCaptions(QWidget* window);
