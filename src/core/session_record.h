#pragma once

// The record of one session beside its data files: which program and
// settings made them (so rating 1, 2 and 3 can be told apart), when the
// session ran, how far it got and how it ended. It is JSON, replaced
// atomically at the start, after each trial and at the end, so after a
// crash it is the last state it was written in, never a mixture; a
// finished session's record is made read-only with its data. The data
// files stay as they are; the record is an addition.
//
// RecordContents is the record's one model: the writer fills it and turns
// it into JSON, the data tool reads it back from JSON.

#include "core/session_settings.h"
#include "platform/disk.h"

#include <QDateTime>
#include <QJsonObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

inline constexpr int kRecordVersion = 2;

enum class SessionStatus { Running, Finished, EndedEarly, Failed };

// Where the session ran and what it was shown on. Geometries are in the
// desktop's logical pixels; screenPixels is the screen in device pixels.
struct RunEnvironment {
    QString qtVersion;
    QString operatingSystem;
    QSize screenPixels;
    double logicalDpi = 0;
    double devicePixelRatio = 1;
    QString platform;  // Qt's window-system plugin: xcb, wayland...
    QString screenName;
    QRect screenGeometry;
    QRect availableGeometry;
    double physicalDpi = 0;
    QSizeF physicalSizeMm;
    double refreshRateHz = 0;
    QString windowManager;           // empty when the system does not say
    std::optional<bool> compositor;  // nothing when the system cannot tell
    QStringList screenKeptOnBy;      // the means that held the screen saver off
    QString backdrop;                // the backdrop's colour as #rrggbb, empty without one
    QString screenOption;            // --screen as given, empty without it
};

// What the session saw of when its pictures reached the screen; the timing
// file has each trial.
struct OnsetSummary {
    QString source;  // what reported the frames ("X11 Present"), or why nothing did
    int trialsKnown = 0;
    std::optional<double> refreshIntervalMs;  // measured from the frame counters
    QStringList modesSeen;                    // present modes, in the order first seen
    QString timingFileProblem;                // why the timing file stopped, if it did
    friend bool operator==(const OnsetSummary&, const OnsetSummary&) = default;
};

struct RecordContents {
    QString programVersion;
    // A Judge Art record leaves out what plays no part in Judge Art: the
    // number of trials (it replays what was made) and the two
    // picture-making options.
    SessionSettings settings;
    int trialsPlanned = 0;
    int trialsCompleted = 0;
    SessionStatus status = SessionStatus::Running;
    QString failure;  // Failed: the reason
    QDateTime started;
    QDateTime ended;  // invalid while running
    RunEnvironment environment;
    QString replays;  // Judge Art: the Make Art record it replayed, if there was one
    OnsetSummary onset;

    QJsonObject toJson() const;
    // Reads what toJson() wrote. `problem` says what is missing or wrong.
    static std::optional<RecordContents> fromJson(const QByteArray& text, QString* problem);
};

// "running", "finished", "ended early", "failed".
QString statusText(SessionStatus status);

// A time as ISO 8601 with its offset from UTC: 2026-12-06T20:12:24.250+01:00.
QString isoWithOffset(const QDateTime& time);

class SessionRecord {
public:
    // The disk must outlive the record.
    SessionRecord(DataDisk& disk, QString path, RecordContents contents);

    const QString& path() const { return m_path; }
    const RecordContents& contents() const { return m_contents; }

    // Each writes the whole record anew.
    Status start(int plannedTrials);
    Status trialDone(int trials);
    // Finished: written, then made read-only.
    Status finish(int trials);
    Status endEarly(int trials);
    Status fail(int trials, const QString& reason);
    // Kept for the next write.
    void setOnset(const OnsetSummary& onset) { m_contents.onset = onset; }

private:
    Status end(int trials, SessionStatus status);
    Status write();

    DataDisk& m_disk;
    QString m_path;
    RecordContents m_contents;
};
