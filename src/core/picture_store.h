#pragma once

// Reading back what a Make Art session wrote, for a Judge Art session. The
// whole picture store and the results file are read and checked before the
// subject sees anything, so a damaged or incomplete file is reported to the
// experimenter with the file, the line and the problem, instead of stopping
// a session half way. Values are read one after another with commas and line
// ends alike as separators and blanks around a value ignored; numbers never
// depend on the locale.

#include "platform/status.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

struct StoredObject {
    int kind = 0;  // outside 1..12 is kept and drawn as nothing
    float x = 0;
    float y = 0;
    double size = 0;
    std::uint32_t colour = 0;
};

struct StoredPicture {
    QList<StoredObject> objects;
};

struct PictureStore {
    int trials = 0;
    QList<StoredPicture> pictures;  // exactly `trials` of them
};

// What a Judge Art session replays: the checked pictures and the first
// `trials` lines of the results file, each without its line end.
struct JudgeMaterial {
    PictureStore store;
    QList<QByteArray> resultsLines;
};

inline constexpr int kMaxTrials = 500;
inline constexpr int kMaxObjects = 12;
// Far above any file a session writes; larger files are refused unread.
inline constexpr qint64 kMaxDataFileBytes = 16 * 1024 * 1024;

// Parses and checks the text of a picture store. `path` only names the file
// in messages.
Status parsePictureStore(const QByteArray& text, const QString& path, PictureStore* out);

// Splits text into lines at CR LF, LF or a lone CR.
QList<QByteArray> splitLines(const QByteArray& text);

// Checks the texts of both files together: a valid picture store and at
// least one results line per picture. Paths only name the files in messages.
Status checkJudgeMaterial(const QByteArray& art, const QString& artPath, const QByteArray& results,
                          const QString& resultsPath, JudgeMaterial* out);
