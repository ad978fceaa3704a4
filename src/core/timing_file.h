#pragma once

// The timing files: timing.csv beside a Make Art session's data and
// timing2.csv beside a Judge Art session's, one line per trial after a
// header. Each line holds the moments of the trial on the monotonic clock,
// in nanoseconds: when the picture was complete (drawn in memory), when it
// had been painted and flushed to the window system, when the window
// system presented the first frame after that (with the display's frame
// counter and the way it was presented), and per scale asked when "Rate
// How" was put on the screen and when an option was chosen. The rating
// time in res.dat runs from the picture complete; from these a researcher
// can reckon it from the frame presented instead. This is the one place
// that knows the columns: the writer, the reader and the data tool's table
// take them from here.

#include "core/results_file.h"
#include "core/session_record.h"
#include "platform/presentation.h"
#include "platform/status.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>

enum TimingField {
    kTimingTrialField,
    kCompleteField,
    kFlushedField,
    kPresentedField,
    kOnsetLagField,
    kFrameField,
    kModeField,
    kScaleMomentsField,  // per scale 1, 2, 3: "Rate How" shown, option chosen
    kTimingFieldCount = kScaleMomentsField + 6
};
inline constexpr std::array<Column, kTimingFieldCount> kTimingColumns{
    {{"trial", "the trial"},
     {"picture_complete_ns", "the picture complete"},
     {"canvas_flushed_ns", "the picture flushed"},
     {"frame_presented_ns", "the frame presented"},
     {"onset_lag_ms", "the onset lag"},
     {"frame_counter", "the frame counter"},
     {"present_mode", "the present mode"},
     {"rate_how_1_ns", "\"Rate How\" of scale 1"},
     {"option_chosen_1_ns", "the option chosen on scale 1"},
     {"rate_how_2_ns", "\"Rate How\" of scale 2"},
     {"option_chosen_2_ns", "the option chosen on scale 2"},
     {"rate_how_3_ns", "\"Rate How\" of scale 3"},
     {"option_chosen_3_ns", "the option chosen on scale 3"}}};

// The present mode written when no frame was reported.
inline constexpr char kUnknownMode[] = "unknown";

// What the rating procedure saw of one trial, in Clock nanoseconds.
struct RatingMoments {
    qint64 completeNs = 0;
    // Per scale: "Rate How" shown and the option chosen; empty when not asked.
    std::array<std::optional<qint64>, 3> rateShownNs;
    std::array<std::optional<qint64>, 3> chosenNs;
    friend bool operator==(const RatingMoments&, const RatingMoments&) = default;
};

struct TimingRow {
    int trial = 0;
    RatingMoments moments;
    FramePresentation presented;  // its source is not written

    // From the picture complete to the frame presented, when known.
    std::optional<double> onsetLagMs() const;
    QByteArray encode() const;  // the line, with its line end
    static std::optional<TimingRow> parse(const QByteArray& line, QString* problem);
};

// The first line: the column names.
QByteArray timingHeader();

// The header, then trials 1, 2, ... in order, no more than `maxTrials`
// (a trial's timing line follows its results line).
Status readTiming(const QByteArray& text, const QString& path, qsizetype maxTrials, QList<TimingRow>* out);

// The session record's summary of the rows: the trials with a known
// frame, the present modes seen and the refresh interval, the median over
// consecutive known trials of the time between their frames divided by
// the frames between them.
OnsetSummary summariseOnsets(const QList<TimingRow>& rows, const QString& source);
