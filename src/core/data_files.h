#pragma once

// The data files of one subject: the picture store art.dat, the Make Art
// results res.dat and the Judge Art results res2.dat. This is the one place
// that knows their names, their line layouts and how they are written and
// read back. A path is the data folder text, the subject code as typed and
// the file name joined with nothing between them.

#include "core/composer.h"
#include "core/data_reader.h"
#include "core/session_settings.h"
#include "core/trial_results.h"
#include "platform/disk.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

inline constexpr char kArtFile[] = "art.dat";
inline constexpr char kResultsFile[] = "res.dat";
inline constexpr char kJudgeResultsFile[] = "res2.dat";
inline constexpr char kMakeRecordFile[] = "session.json";
inline constexpr char kJudgeRecordFile[] = "session2.json";
inline constexpr char kLockFile[] = "session.lock";

QString dataFilePath(const QString& folderText, const QString& subjectCode, const char* fileName);

// res.dat line of trial t: subject number, t, the four settings, three
// ratings and the rating time.
QByteArray resultsLine(double subjectNumber, int trial, const TrialResults& results);

// res2.dat line: a res.dat line as read (no line end), a comma, then the
// judge ratings and rating time of trial t.
QByteArray judgeResultsLine(const QByteArray& resultsText, int trial, const TrialResults& results);

// What a start of a session finds among the subject's files, decided before
// anything is written.
struct StartPlan {
    Status refusal;          // not ok: the start is refused with this message
    QStringList unfinished;  // files of an unfinished session that the start replaces
};

class SubjectFiles {
public:
    // The disk must outlive this object.
    SubjectFiles(DataDisk& disk, QString folderText, QString subjectCode);

    QString path(const char* fileName) const { return dataFilePath(m_folder, m_code, fileName); }

    // The folder can be written and none of the subject's file names (the
    // lock's included) is taken by anything but a regular file.
    Status checkPlaces() const;
    // A start in `mode` is refused when the session's own files are
    // read-only (finished), and for Judge Art when what it would replay is
    // missing or damaged. Otherwise the files of an unfinished session it
    // would replace are listed: Make Art replaces all of the subject's
    // files, Judge Art its own. REQUIRES: checkPlaces() is ok.
    StartPlan planStart(SessionMode mode) const;
    // Deletes the listed files before the first picture of a new session.
    Status removeUnfinished(const QStringList& paths);

    // Make Art. The picture store is started only when both of the
    // session's files could be written, so a finished session's data stay
    // exactly as they were.
    Status startPictureStore(int trials);
    Status appendPictureHeader(int objectCount);
    Status appendObject(const PlacedObject& object);
    // Trial 1 starts the results file; later trials add to it.
    Status appendResults(int trial, const TrialResults& results);
    // Both files become read-only: the session is finished.
    Status finishMakeArt();

    // Judge Art. Reads and checks art.dat and res.dat and checks that
    // res2.dat may be written, touching nothing.
    Status loadJudgeMaterial(JudgeMaterial* out) const;
    // Trial 1 starts the judge results file; later trials add to it.
    Status appendJudgeResults(int trial, const QByteArray& resultsText, const TrialResults& results);
    Status finishJudgeArt();

    // After a failure: a sentence saying whether everything this session
    // saved is still where it was written, as far as can be seen.
    QString keptSentence() const;

private:
    // Everything goes through these, which keep count of what was saved.
    Status writeNew(const char* name, const QByteArray& data);
    Status append(const char* name, const QByteArray& data);

    DataDisk& m_disk;
    QString m_folder;
    QString m_code;
    QMap<QString, qint64> m_saved;  // bytes this session saved, by path
};
