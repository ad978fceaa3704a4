#pragma once

// Whether a session may start, and its start. Everything here protects
// data, so it is decided without windows: the screens only ask the question
// it returns and show its refusals.
//
// A start checks the subject code and the places of the subject's files,
// takes the subject's lock (one session per subject and folder), and looks
// at what is there. A finished session's files are never touched: its
// read-only files, or its record saying so, refuse the start. An unfinished
// session's files are only replaced when the experimenter agrees; Make Art
// replaces all of the subject's files, so that a later Judge Art session
// never mixes two Make Art sessions, Judge Art its own. Judge Art also
// refuses material that is missing or damaged.
//
// begin() deletes what is replaced, starts the picture store (Make Art)
// and writes the record. A start that fails leaves nothing it created.

#include "core/session_record.h"
#include "core/session_settings.h"
#include "core/subject_files.h"
#include "platform/disk.h"

#include <QStringList>
#include <memory>

struct StartDecision {
    enum class Outcome { Refused, AskToReplace, Ready };
    Outcome outcome = Outcome::Refused;
    Status refusal;       // Refused: why, for the person at the desk
    QStringList replace;  // AskToReplace: the files of an unfinished session a start deletes
};

// A session that has started: the settings it runs with, its files, its
// record, what it replays (Judge Art), and its lock, held while it lives.
struct ActiveSession {
    const SessionSettings settings;
    SubjectFiles files;
    SessionRecord record;
    const JudgeMaterial material;
    const int plannedTrials;
    std::unique_ptr<DiskLock> lock;
};

class SessionStart {
public:
    // `settings` as the experimenter set them; the session runs with the
    // setting-change rule applied. The disk must outlive this object and the
    // session it starts.
    SessionStart(DataDisk& disk, SessionSettings settings);
    ~SessionStart();

    // Takes the lock unless refused; a refusal holds nothing.
    StartDecision decide();
    // After Ready, or after AskToReplace was answered "Replace". On failure
    // the reason comes back in *failure, the lock is released and nothing
    // this start created remains.
    std::unique_ptr<ActiveSession> begin(const RunEnvironment& environment, const QString& programVersion,
                                         Status* failure);
    // The question was declined: the lock is released.
    void cancel();

private:
    Status refusal();

    DataDisk& m_disk;
    SessionSettings m_settings;
    SubjectFiles m_files;
    std::unique_ptr<DiskLock> m_lock;
    QStringList m_replace;
    JudgeMaterial m_material;
};
