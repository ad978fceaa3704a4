#pragma once

// The data files of one subject in one folder: the picture store art.dat,
// the Make Art results res.dat, the Judge Art results res2.dat, the two
// timing files, the two session records and the lock. A path is the data folder text, the
// subject code as typed and the file name joined with nothing between them.
// Everything a session writes goes through here, line by line, each line on
// the disk before the next step.

#include "core/picture_store.h"
#include "core/results_file.h"
#include "core/session_settings.h"
#include "core/timing_file.h"
#include "platform/disk.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

inline constexpr char kArtFile[] = "art.dat";
inline constexpr char kResultsFile[] = "res.dat";
inline constexpr char kJudgeResultsFile[] = "res2.dat";
inline constexpr char kMakeRecordFile[] = "session.json";
inline constexpr char kJudgeRecordFile[] = "session2.json";
inline constexpr char kTimingFile[] = "timing.csv";
inline constexpr char kJudgeTimingFile[] = "timing2.csv";
inline constexpr char kLockFile[] = "session.lock";
// Every name a subject's files take, the lock's included.
inline constexpr const char* kSubjectFileNames[] = {kArtFile,         kResultsFile,      kMakeRecordFile,
                                                    kTimingFile,      kJudgeResultsFile, kJudgeRecordFile,
                                                    kJudgeTimingFile, kLockFile};

// The timing file of a session of the mode.
inline const char* timingFileOf(SessionMode mode) {
    return mode == SessionMode::MakeArt ? kTimingFile : kJudgeTimingFile;
}

QString dataFilePath(const QString& folderText, const QString& subjectCode, const char* fileName);

// What a Judge Art session replays: the whole picture store and the first
// `trials` results lines.
struct JudgeMaterial {
    PictureStore store;
    QList<ResultsRow> results;
};

// Both files together, as a Judge Art start checks them. Paths only name
// the files in messages.
Status checkJudgeMaterial(const QByteArray& art, const QString& artPath, const QByteArray& results,
                          const QString& resultsPath, double subjectNumber, JudgeMaterial* out);

class SubjectFiles {
public:
    // The disk must outlive this object.
    SubjectFiles(DataDisk& disk, QString folderText, QString subjectCode);

    QString path(const char* fileName) const { return dataFilePath(m_folder, m_code, fileName); }
    double subjectNumber() const;
    DataDisk& disk() const { return m_disk; }

    // Make Art.
    Status startPictureStore(int trials);
    Status appendPictureHeader(int objectCount);
    Status appendObject(const PictureObject& object);
    // Trial 1 starts the results file; later trials add to it.
    Status appendResults(const ResultsRow& row);
    // Both files become read-only: the session is finished.
    Status finishMakeArt();

    // Judge Art. Reads and checks art.dat and res.dat, touching nothing.
    Status loadJudgeMaterial(JudgeMaterial* out) const;
    // Trial 1 starts the judge results file; later trials add to it.
    Status appendJudgeResults(int trial, const JudgeRow& row);
    Status finishJudgeArt();

    // Both modes: trial 1 starts the timing file with its header; later
    // trials add to it.
    Status appendTiming(SessionMode mode, const TimingRow& row);
    // The timing file, if the session wrote one, becomes read-only.
    Status finishTiming(SessionMode mode);

    // After a failure: a sentence saying whether everything this session
    // saved is still where it was written, as far as can be seen.
    QString keptSentence() const;

private:
    // Everything goes through these, which keep count of what was saved.
    Status createNew(const char* name, const QByteArray& data);
    Status append(const char* name, const QByteArray& data);

    DataDisk& m_disk;
    QString m_folder;
    QString m_code;
    QMap<QString, qint64> m_saved;  // bytes this session saved, by path
};
