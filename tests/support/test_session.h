#pragma once

// A whole program session for widget tests: a fake clock, a scripted random
// source, a temporary data folder and helpers that act as the experimenter
// and the subject would, through the widgets.

#include "support/fakes.h"

#include "platform/disk.h"
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

    TestSession();
    ~TestSession();

    FakeClock clock;
    ScriptedRandom random;
    PosixDisk disk;
    QTemporaryDir dir;
    std::unique_ptr<Session> session;
    std::unique_ptr<QSignalSpy> ended;

    QString folder() const { return dir.path() + QLatin1Char('/'); }
    // Path of a data file of the current code, e.g. file("art.dat").
    QString file(const char* name) const;  // the session's own path rule

    // Title screen "Begin": the setup screen is created and shown.
    SetupScreen* openSetup();
    const SetupWidgets& setup();
    MainScreen* main() const { return session->Mainn(); }

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

// While it lives, a write that would make a file longer than `bytes`
// fails (EFBIG), as on a full disk.
class DiskFull {
public:
    explicit DiskFull(qint64 bytes);
    ~DiskFull();
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;

private:
    unsigned long long m_old = 0;
};

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& data);
// An existing entry without any write permission bit.
bool isReadOnly(const QString& path);
