#pragma once

// One run of the program: one experimental session. Owns the platform
// services, the three screens, each created on first use and kept (shown or
// hidden) until the program ends, and the session once started. Whether a
// start may go ahead is decided by the core's SessionStart; the screens
// ask the experimenter and show. ended() tells the application to leave;
// nothing is shown or written after it.
//
// While a session runs the screen is kept on and, when asked for, a
// backdrop hides everything but Pictor's windows; the record says on what
// the session was shown.

#include "core/lab_options.h"
#include "core/session_start.h"
#include "platform/clock.h"
#include "platform/disk.h"
#include "platform/presentation.h"
#include "platform/random_source.h"
#include "platform/status.h"

#include <QObject>
#include <QString>
#include <memory>

class Backdrop;
class DisplaySystem;
class MainScreen;
class QScreen;
class QWidget;
class SetupScreen;
class TitleScreen;

// Where and how the windows are shown.
struct SessionDisplay {
    DisplaySystem* system = nullptr;  // none: the screen saver is left alone
    QScreen* screen = nullptr;        // none: the primary screen
    LabOptions options;               // as given, for the record
};

class Session final : public QObject {
    Q_OBJECT
public:
    // The clock, random source, disk, presentation feedback and display
    // system must outlive the session.
    Session(Clock& clock, RandomSource& random, DataDisk& disk, PresentationFeedback& presentation,
            QString defaultDataFolder, SessionDisplay display = {});
    ~Session() override;

    Clock& clock() { return m_clock; }
    RandomSource& random() { return m_random; }
    PresentationFeedback& presentation() { return m_presentation; }
    const QString& defaultDataFolder() const { return m_defaultDataFolder; }

    // The screens; the main screen exists once a session has started.
    TitleScreen* titleScreen();
    SetupScreen* setupScreen();
    MainScreen* mainScreen() const { return m_main; }
    // The session under way, once started.
    ActiveSession* active() const { return m_active.get(); }

    // A start button was pressed with these settings. Unless refused, the
    // subject's lock is held until beginSession() or cancelStart().
    StartDecision decideStart(const SessionSettings& settings);
    // Starts the session decided on and builds the main screen; on failure
    // nothing of it remains and the reason comes back.
    Status beginSession();
    void cancelStart();

    // Shows the title screen: the program's start.
    void start();

    // Hides every window and ends the program with the given status.
    void endProgram(int exitCode);
    bool hasEnded() const { return m_ended; }

signals:
    void ended(int exitCode);

private:
    RunEnvironment environment() const;
    // Puts a new window on the chosen screen.
    void place(QWidget* window, bool centred);

    Clock& m_clock;
    RandomSource& m_random;
    DataDisk& m_disk;
    PresentationFeedback& m_presentation;
    QString m_defaultDataFolder;
    SessionDisplay m_display;
    QStringList m_keptOnBy;
    std::unique_ptr<Backdrop> m_backdrop;
    std::unique_ptr<SessionStart> m_start;
    std::unique_ptr<ActiveSession> m_active;
    TitleScreen* m_title = nullptr;
    SetupScreen* m_setup = nullptr;
    MainScreen* m_main = nullptr;
    bool m_ended = false;
};

// The folder offered for the data files: the user's documents folder, or the
// home folder where there is none, with a trailing separator.
QString defaultDataFolder();
