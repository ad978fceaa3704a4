#pragma once

// One run of the program: one experimental session. Owns the shared record,
// the platform services and the three screens, each created on first use
// and kept (shown or hidden) until the program ends. ended() tells the
// application to leave; nothing is shown or written after it.

#include "core/data_files.h"
#include "core/module1.h"
#include "core/session_lock.h"
#include "core/session_record.h"
#include "core/session_settings.h"
#include "platform/clock.h"
#include "platform/disk.h"
#include "platform/random_source.h"
#include "platform/status.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class MainScreen;
class SetupScreen;
class TitleScreen;

class Session final : public QObject {
    Q_OBJECT
public:
    // The clock, random source and disk must outlive the session.
    Session(Clock& clock, RandomSource& random, DataDisk& disk, QString defaultDataFolder);
    ~Session() override;

    Module1 module1;

    Clock& clock() { return m_clock; }
    RandomSource& random() { return m_random; }
    DataDisk& disk() { return m_disk; }
    // The data files of the session under way.
    SubjectFiles& files() { return *m_files; }
    const QString& defaultDataFolder() const { return m_defaultDataFolder; }

    TitleScreen* Startup();
    SetupScreen* ArtTest();
    // The main screen if it has been loaded, else nullptr.
    MainScreen* Mainn() const { return m_mainn; }

    // A start button was pressed: takes the subject's lock and looks at the
    // subject's files. A refusal releases the lock again; so does
    // cancelStart() after the experimenter declines to replace the files of
    // an unfinished session.
    StartPlan prepareStart(const SessionSettings& settings);
    void cancelStart();

    // Keeps the settings captured at the start, deletes the unfinished
    // session's files the experimenter agreed to replace, creates the main
    // screen and runs its load step. On failure nothing of the main screen
    // remains, the lock is released and the reason comes back.
    Status loadMainScreen(const SessionSettings& settings, const QStringList& replace = {});

    // The settings of the session under way (captured at its start).
    const SessionSettings& settings() const { return m_settings; }
    SessionSettings& settings() { return m_settings; }

    // Path of a data file of this session: the data folder text, the
    // subject code and the file name joined together.
    QString dataFile(const char* fileName) const {
        return dataFilePath(m_settings.dataFolder, m_settings.subjectCode, fileName);
    }
    // The record of the session under way.
    SessionRecord& record() { return *m_record; }

    // Shows the title screen: the program's start.
    void start();

    // Hides every window and ends the program with the given status.
    void endProgram(int exitCode);
    bool hasEnded() const { return m_ended; }

signals:
    void ended(int exitCode);

private:
    Clock& m_clock;
    RandomSource& m_random;
    DataDisk& m_disk;
    std::unique_ptr<SubjectFiles> m_files;
    std::unique_ptr<SessionRecord> m_record;
    SessionLock m_lock;
    QString m_defaultDataFolder;
    SessionSettings m_settings;
    TitleScreen* m_startup = nullptr;
    SetupScreen* m_artTest = nullptr;
    MainScreen* m_mainn = nullptr;
    bool m_ended = false;

    static RunEnvironment environment();
};

// The folder offered for the data files: the user's documents folder, or the
// home folder where there is none, with a trailing separator.
QString defaultDataFolder();
