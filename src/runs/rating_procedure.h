#pragma once

// Has the subject rate the picture on the canvas: for each forced scale, in
// the order 1, 2, 3, a "Consider How ..." prompt that stands for the
// judgement delay, then the "Rate How ..." button, then the seven options.
// It is a small state machine driven by the event loop: the delay is a
// timer checked against the monotonic clock, the waits are calls from the
// screen, so the window keeps repainting and no CPU is spent while the
// subject thinks.
//
// A run calls takeStartTime(), hides its own button, calls presentScales()
// and, once scalesDone() arrives and its own end-of-trial steps are done,
// finishTime(), which stores the rating time.

#include "core/module1.h"
#include "core/session_settings.h"
#include "core/trial_results.h"
#include "platform/clock.h"
#include "platform/timer.h"
#include "runs/rating_view.h"

#include <QObject>
#include <memory>

class RatingProcedure final : public QObject {
    Q_OBJECT
public:
    // Everything passed in must outlive the procedure. The judgement delay
    // and the rate flag are read from the session record at each use.
    RatingProcedure(Clock& clock, std::unique_ptr<Timer> timer, RatingView& view, Module1& module1,
                    const std::array<ScaleSettings, 3>& scales, TrialResults& results);

    // REQUIRES: 1 <= trial <= TrialResults::kMaxTrial.
    void takeStartTime(int trial);
    void presentScales();
    void finishTime();

    // The "Rate !" button has set the rate flag.
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
    Module1& m_module1;
    const std::array<ScaleSettings, 3>& m_scales;
    TrialResults& m_results;
    Phase m_phase = Phase::Idle;
    int m_trial = 0;
    int m_scale = 0;
    double m_startTime = 0;
    double m_delayStart = 0;
};
