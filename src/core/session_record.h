#pragma once

// A record of one session beside its data files: which program and
// settings made them (so rating 1, 2 and 3 can be told apart), when the
// session ran, how far it got and how it ended. It is JSON, replaced
// atomically at the start, after each trial and at the end, so after a
// crash it is the last state it was written in, never a mixture; a
// finished session's record is made read-only with its data.
//
// The data files stay as they are; the record is an addition.

#include "core/session_settings.h"
#include "platform/disk.h"

#include <QDateTime>
#include <QJsonObject>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

// Where the session ran, for the record.
struct RunEnvironment {
    QString qtVersion;
    QString operatingSystem;
    QSize screenPixels;
    double logicalDpi = 0;
    double devicePixelRatio = 1;
};

class SessionRecord {
public:
    enum class State { Running, Finished, EndedEarly, Failed };

    // `replays` names the Make Art record that a Judge Art session replays
    // (empty when there is none). The disk must outlive the record.
    SessionRecord(DataDisk& disk, QString path, const SessionSettings& settings, RunEnvironment environment,
                  QString programVersion, QString replays = QString());

    const QString& path() const { return m_path; }

    // Each writes the whole record anew.
    Status start(int plannedTrials);
    Status trialDone(int trials);
    // Finished: written, then made read-only.
    Status finish(int trials);
    Status endEarly(int trials);
    Status fail(int trials, const QString& reason);

    QJsonObject toJson() const;

    // Tests set the wall clock.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

private:
    Status write();

    DataDisk& m_disk;
    QString m_path;
    const SessionSettings& m_settings;
    RunEnvironment m_environment;
    QString m_programVersion;
    QString m_replays;
    int m_plannedTrials = 0;
    int m_trials = 0;
    State m_state = State::Running;
    QString m_failure;
    QDateTime m_started;
    QDateTime m_ended;
};

// A time as ISO 8601 with its offset from UTC: 2026-12-06T20:12:24.250+01:00.
QString isoWithOffset(const QDateTime& time);
