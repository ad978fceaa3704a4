#pragma once

// Everything one subject's files in one folder hold, read as the data tool
// reads them, and what it had to read around, each thing said with its file:
//
// - An unfinished session gives what it finished: a last line without its
//   line end (cut or zero-filled by a crash) is left out with a warning.
//   A finished session (its record says so, or its file is read-only) is
//   read strictly.
// - Results lines beyond the pictures are ignored, as Judge Art ignores
//   them, with a warning.
// - A damaged session record is left out with a warning; the status then
//   comes from the files alone. A record that claims more than the files
//   hold is reported and not believed.
// - A damaged art.dat refuses the subject; a damaged res.dat or res2.dat
//   leaves the pictures usable but no ratings, so nothing of a damaged
//   file is ever mixed into a table.

#include "core/picture_store.h"
#include "core/results_file.h"
#include "core/session_record.h"
#include "core/timing_file.h"
#include "platform/disk.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

// A subject's files as found in a folder.
struct FoundSubject {
    QString folder;                // as given, with a separator at the end
    QString prefix;                // what precedes "art.dat" in the file names
    QMap<QString, QString> names;  // "art.dat", "res.dat", ...: the name found, in its own letter case
};

// The subjects of the folders, each once even when a folder is named
// twice; what had to be left out is said in *leftOut.
QList<FoundSubject> findSubjects(const QStringList& folders, QStringList* leftOut);

// One session, Make Art or Judge Art, as its files and record show it.
struct SessionState {
    bool ran = false;
    int planned = 0;    // trials announced by art.dat
    int completed = 0;  // trials whose results the files hold
    // finished, running, ended early, failed (from the record, where the
    // files agree), or incomplete (fewer trials than planned and no record
    // that says why); empty when the session has not run.
    QString status;
    std::optional<RecordContents> record;
};

struct SubjectData {
    // The folder text that, followed by the code and a file name, names the
    // subject's files: the folder given, and more when the session's data
    // folder was typed without a separator at its end.
    QString folder;
    QString code;
    PictureStore store;            // complete pictures only
    QList<ResultsRow> results;     // res.dat, one per trial so far
    QList<JudgeRow> judged;        // res2.dat, one per trial so far
    QList<TimingRow> timing;       // timing.csv, where there is one
    QList<TimingRow> judgeTiming;  // timing2.csv, where there is one
    SessionState make;
    SessionState judge;
    QStringList warnings;       // what was read around, each naming its file; nothing was left out
    QStringList damage;         // what was left out: a damaged record, or damaged results
    bool ratingsUsable = true;  // false: res.dat or res2.dat is damaged and no rating is given
};

// A folder as the data tool takes it: with one separator at the end.
QString asFolder(const QString& folder);

// Reads and checks the subject's files. Fails only when the pictures cannot be used.
Status loadSubject(const DataDisk& disk, const FoundSubject& found, SubjectData* out);
