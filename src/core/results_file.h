#pragma once

// The results files: res.dat, one line per Make Art trial, and res2.dat,
// each res.dat line followed by the ratings of a Judge Art session. This is
// the one place that knows their fields: their order and names, how a row
// is written and how it is read back and checked. The data tool's table
// takes its column names from here.

#include "core/picture.h"
#include "core/picture_store.h"
#include "platform/status.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>

struct Column {
    const char* name;       // as a table column
    const char* described;  // as messages name it
};

// res.dat's fields, in their order.
enum ResultsField {
    kSubjectField,
    kTrialField,
    kObjectsField,
    kShapesField,
    kSizesField,
    kColoursField,
    kRating1Field,
    kRating2Field,
    kRating3Field,
    kTimeField,
    kResultsFieldCount
};
inline constexpr std::array<Column, kResultsFieldCount> kResultsColumns{
    {{"subject", "the subject number"},
     {"trial", "the trial"},
     {"objects", "the objects"},
     {"shapes", "the shapes"},
     {"sizes", "the sizes"},
     {"colours", "the colours"},
     {"rating_1", "rating 1"},
     {"rating_2", "rating 2"},
     {"rating_3", "rating 3"},
     {"rating_time_s", "the rating time"}}};
// The four fields res2.dat adds to each res.dat line: the Judge Art ratings.
inline constexpr std::array<Column, 4> kJudgeColumns{{{"judge_rating_1", "judge rating 1"},
                                                      {"judge_rating_2", "judge rating 2"},
                                                      {"judge_rating_3", "judge rating 3"},
                                                      {"judge_rating_time_s", "the rating time"}}};

// No picture is rated for longer than a week; a larger time is damage.
inline constexpr double kMaxRatingTime = 7 * 24 * 3600.0;

// What one trial's rating gave: per scale the option chosen (1..7), empty
// when the scale was not asked, and the rating time in seconds.
struct TrialRatings {
    std::array<std::optional<int>, 3> ratings;
    float time = 0;
    friend bool operator==(const TrialRatings&, const TrialRatings&) = default;
};

struct ResultsRow {
    double subject = 0;  // the subject code's number
    int trial = 0;
    CompositionSettings settings;
    TrialRatings rated;
    QByteArray text;  // the line as read, without its line end

    QByteArray encode() const;  // the line, with its line end
    // One line on its own: field count, numbers and bounds. `problem` says
    // what is wrong ("field 7 (rating 1) is ...").
    static std::optional<ResultsRow> parse(const QByteArray& line, QString* problem);
};

struct JudgeRow {
    QByteArray resultsText;  // the res.dat line, without its line end
    TrialRatings judged;

    QByteArray encode() const;
    // A res2.dat line that must begin with `resultsText` and a comma.
    static std::optional<JudgeRow> parse(const QByteArray& line, const QByteArray& resultsText,
                                         QString* problem);
};

// res.dat against its picture store: the subject number on every line,
// trials 1, 2, ... in order, each line's object count that of its picture.
// Whole: a line for every announced picture (lines after those are
// ignored). Partial: no more lines than complete pictures.
Status readResults(const QByteArray& text, const QString& path, const PictureStore& store,
                   double subjectNumber, Extent extent, QList<ResultsRow>* out);

// res2.dat against res.dat: each line is the results line of its trial, a
// comma and the judge fields; no more lines than results lines.
Status readJudgeResults(const QByteArray& text, const QString& path, const QList<ResultsRow>& results,
                        QList<JudgeRow>* out);
