#pragma once

// Reading back what the sessions wrote: the picture store art.dat, the
// results res.dat and the judge results res2.dat. Every value is checked
// before anything is used, so a damaged, foreign or cut-off file is
// reported with the file, the line and the problem instead of being
// replayed or tabled. Values of art.dat are read one after another with
// commas and line ends alike as separators and blanks around a value
// ignored; res.dat and res2.dat are read line by line. Numbers never depend
// on the locale. A value on a last line without its line end is refused: it
// may have been cut off in the middle.
//
// Whole files are what a Judge Art session needs: every picture and
// results line the store announces. Partial files are what an unfinished
// session leaves (pictures up to a crash, fewer results lines than
// pictures); the data tool reads those.

#include "platform/status.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

struct StoredObject {
    int kind = 0;  // a whole number; outside 1..12 it is kept and drawn as nothing
    float x = 0;
    float y = 0;
    double size = 0;
    std::uint32_t colour = 0;

    bool drawn() const { return kind >= 1 && kind <= 12; }
};

struct StoredPicture {
    QList<StoredObject> objects;
};

struct PictureStore {
    int trials = 0;                 // as announced on the first line
    QList<StoredPicture> pictures;  // the complete ones, in trial order
};

// One res.dat line, as written and as numbers.
struct ResultsLine {
    QByteArray text;  // without its line end
    double subject = 0;
    int trial = 0;
    std::array<int, 4> settings{};  // objects, shapes, sizes, colours
    std::array<std::optional<int>, 3> ratings;
    double time = 0;
};

// The judge part of one res2.dat line.
struct JudgeLine {
    std::array<std::optional<int>, 3> ratings;
    double time = 0;
    QByteArray timeText;
};

enum class Extent { Whole, Partial };

inline constexpr int kMaxTrials = 500;
inline constexpr int kMaxObjects = 12;
// Far above any file a session writes; larger files are refused unread.
inline constexpr qint64 kMaxDataFileBytes = 16 * 1024 * 1024;

// Whole: exactly the announced number of pictures must follow. Partial: the
// pictures that are complete, at most the announced number; a picture cut
// short at the end of the file is left out. `path` only names the file in
// messages.
Status readPictureStore(const QByteArray& text, const QString& path, Extent extent, PictureStore* out);

// res.dat against its picture store: ten fields per line, numbers where
// numbers belong, the subject number on every line, trials 1, 2, ... in
// order, each line's object count that of its picture, settings 1..12,
// ratings empty or 1..7, a finite rating time not below 0. Whole: a line for
// every announced picture (lines after those are ignored). Partial: no more
// lines than complete pictures.
Status readResults(const QByteArray& text, const QString& path, const PictureStore& store,
                   double subjectNumber, Extent extent, QList<ResultsLine>* out);

// res2.dat against res.dat: each line is the results line of its trial, a
// comma and four judge fields. No more lines than results lines.
Status readJudgeResults(const QByteArray& text, const QString& path, const QList<ResultsLine>& results,
                        QList<JudgeLine>* out);

// What a Judge Art session replays: the whole picture store and the text of
// the first `trials` results lines.
struct JudgeMaterial {
    PictureStore store;
    QList<QByteArray> resultsLines;
};

// Both files together, as a Judge Art start checks them. Paths only name
// the files in messages.
Status checkJudgeMaterial(const QByteArray& art, const QString& artPath, const QByteArray& results,
                          const QString& resultsPath, double subjectNumber, JudgeMaterial* out);
