#pragma once

// Everything one subject's files in one folder hold, read as the data tool
// reads them: an unfinished session as far as it got, a damaged file
// refused whole (with the file, the line and the problem), so that nothing
// of a damaged subject is ever mixed into a table.

#include "core/picture_store.h"
#include "core/results_file.h"
#include "core/session_record.h"
#include "core/timing_file.h"
#include "platform/disk.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

struct SubjectData {
    QString folder;  // as given, with a separator at the end
    QString code;
    PictureStore store;            // complete pictures only
    QList<ResultsRow> results;     // res.dat, one per trial so far
    QList<JudgeRow> judged;        // res2.dat, one per trial so far
    QList<TimingRow> timing;       // timing.csv, where there is one
    QList<TimingRow> judgeTiming;  // timing2.csv, where there is one
    std::optional<RecordContents> makeRecord;
    std::optional<RecordContents> judgeRecord;
};

// A folder as the data tool takes it: with one separator at the end, so the
// files are the subject code and the file name inside it.
QString asFolder(const QString& folder);

// The codes of the subjects in the folder: every <code>art.dat, sorted.
QStringList findSubjects(const QString& folder);

// Reads and checks the subject's files. A missing res.dat or res2.dat is
// a session not yet run, a missing timing file one that kept none; any
// damaged file refuses the subject.
Status loadSubject(const DataDisk& disk, const QString& folder, const QString& code, SubjectData* out);
