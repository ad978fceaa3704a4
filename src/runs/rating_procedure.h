#pragma once

// Has the subject rate the picture on the canvas: for each forced scale, in
// the order 1, 2, 3, a "Consider How ..." prompt that stands for the
// judgement delay, then the "Rate How ..." button, then the seven options.
// It is a small state machine driven by the event loop: the delay is a
// timer checked against the monotonic clock, the subject's presses are
// calls from the screen, so the window keeps repainting and no CPU is spent
// while the subject thinks.
//
// A run calls takeStartTime(), hides its own button, calls presentScales()
// and, once scalesDone() arrives and its own end-of-trial steps are done,
// finishTime(), which sets the rating time. The moments of the trial (the
// picture complete, each "Rate How" shown and option chosen) are kept for
// the timing file.

#include "core/results_file.h"
#include "core/session_settings.h"
#include "core/timing_file.h"
#include "platform/clock.h"
#include "platform/timer.h"
#include "runs/rating_view.h"

#include <QObject>
#include <memory>

class RatingProcedure final : public QObject {
    Q_OBJECT
public:
    // Everything passed in must outlive the procedure.
    RatingProcedure(Clock& clock, std::unique_ptr<Timer> timer, RatingView& view,
                    const SessionSettings& settings);

    // The picture is complete: the rating time starts, the ratings are empty.
    void takeStartTime();
    void presentScales();
    void finishTime();
    // The ratings and rating time of the trial rated last.
    const TrialRatings& result() const { return m_result; }
    const RatingMoments& moments() const { return m_moments; }

    // The subject pressed "Rate !".
    void ratePressed();
    // Option `index` (1..7) of `scale` has become selected.
    void optionSelected(int scale, int index);

    // Stops whatever is on the screen without recording anything further.
    void abandon();

signals:
    void scalesDone();

private:
    enum class Phase { Idle, Considering, AwaitingRate, AwaitingChoice, Clearing };

    void beginScale(int fromScale);
    void checkDelay();
    void clearScale();
    QString term() const;

    Clock& m_clock;
    std::unique_ptr<Timer> m_timer;
    RatingView& m_view;
    const SessionSettings& m_settings;
    TrialRatings m_result;
    RatingMoments m_moments;
    Phase m_phase = Phase::Idle;
    int m_scale = 0;
    double m_delayStart = 0;
};
