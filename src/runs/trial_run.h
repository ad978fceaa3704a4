#pragma once

// What both runs share: the trial counter against the planned number of
// trials, the rating procedure, the timing file, and the rule that a
// session stops for good after a data file failure. A run is built for one
// started session; the main screen forwards the subject's presses to it
// and hears back through finished(), failed() and timingFailed().
//
// A trial's timing line is written once both its results line is on disk
// and its frame presented is known (or known to be unknown), so it always
// follows the results line; the session finishes once the last one is
// written. The timing file is an addition to the data, never a risk to
// them: when it cannot be written the session goes on without it, the
// record says why, and the person at the desk is told.

#include "core/session_start.h"
#include "platform/clock.h"
#include "platform/random_source.h"
#include "platform/timer.h"
#include "runs/rating_procedure.h"
#include "runs/trial_view.h"

#include <QObject>
#include <functional>
#include <memory>

// The outside world a run works with. Everything must outlive the run.
struct RunContext {
    Clock& clock;
    RandomSource& random;
    std::function<std::unique_ptr<Timer>()> makeTimer;
};

class TrialRun : public QObject {
    Q_OBJECT
public:
    // The run of the session's mode. The session and the view must outlive it.
    static std::unique_ptr<TrialRun> create(ActiveSession& session, const RunContext& context,
                                            TrialView& view);
    ~TrialRun() override;

    // The button that starts a trial was pressed.
    virtual void startTrial() = 0;
    void ratePressed() { m_rating.ratePressed(); }
    void optionSelected(int scale, int index) { m_rating.optionSelected(scale, index); }

    int trialNo() const { return m_trialNo; }
    int plannedTrials() const { return m_session.plannedTrials; }
    // A trial has been started and the session has neither ended nor stopped.
    bool isUnderWay() const { return !m_stopped && m_trialNo > 0 && !m_finishing; }
    // A picture is on the screen and its rating is not yet saved.
    bool trialInProgress() const { return !m_stopped && m_inProgress; }
    // The ratings and rating time of the trial rated last.
    const TrialRatings& lastRatings() const { return m_rating.result(); }
    // The session is being ended early: stop without writing anything more
    // than the record's "ended early".
    void abandon();

signals:
    // The last trial is saved and the files are marked finished.
    void finished();
    // A data file could not be written; the session has stopped.
    void failed(const Status& status);
    // The timing file could not be written; the session goes on without it.
    void timingFailed(const Status& status);

protected:
    TrialRun(ActiveSession& session, const RunContext& context, TrialView& view);

    bool canStartTrial() const;
    // Starts a trial: the counter moves on. REQUIRES: canStartTrial().
    int beginTrial();
    // The trial's picture is complete: its rating time starts and the
    // screen is asked when it shows.
    void pictureComplete();
    // The trial's line is on disk: the record follows, and the session ends
    // after its last trial.
    void trialSaved();
    void fail(const Status& status);

    ActiveSession& m_session;
    const RunContext m_context;
    TrialView& m_view;
    RatingProcedure m_rating;

private:
    virtual void endOfTrial() = 0;
    // The files of a finished session become read-only.
    virtual Status finishFiles() = 0;

    void presented(int trial, const FramePresentation& frame);
    // Writes the timing lines that are complete, in trial order, and keeps
    // the record's summary up to date.
    void writeTiming();
    // The timing file cannot be written: no more lines are tried.
    void timingProblem(const Status& status);
    // After the last trial: once its timing line is written, the files are
    // marked finished.
    void finishWhenTimed();

    struct PendingTiming {
        TimingRow row;
        bool saved = false;      // the results line is on disk
        bool presented = false;  // the frame is known, or known to be unknown
    };
    QList<PendingTiming> m_pending;  // in trial order
    QList<TimingRow> m_timed;        // every trial's row once complete
    QString m_onsetSource;
    bool m_anyKnown = false;
    QString m_timingProblem;  // why the timing file stopped, if it did
    bool m_finishing = false;

    int m_trialNo = 0;
    int m_saved = 0;  // trials whose results line is on disk
    bool m_inProgress = false;
    bool m_stopped = false;
};
