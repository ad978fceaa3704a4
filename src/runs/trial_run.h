#pragma once

// What both runs share: the trial counter, the per-trial results, the
// rating procedure, and the rule that a session stops for good after a
// file failure. A run is built for one session and one mode; the main
// screen forwards its button presses to it and hears back through
// finished() and failed().

#include "core/data_files.h"
#include "core/module1.h"
#include "core/session_record.h"
#include "core/session_settings.h"
#include "core/trial_results.h"
#include "platform/clock.h"
#include "platform/random_source.h"
#include "runs/rating_procedure.h"
#include "runs/trial_view.h"

#include <QObject>
#include <functional>
#include <memory>

// The outside world a run works with. Everything must outlive the run.
struct RunServices {
    Clock& clock;
    RandomSource& random;
    std::function<std::unique_ptr<Timer>()> makeTimer;
    Module1& module1;
    const SessionSettings& settings;
    SubjectFiles& files;
    SessionRecord& record;
};

class TrialRun : public QObject {
    Q_OBJECT
public:
    ~TrialRun() override;

    // Once, when the main screen starts up; nothing is shown on failure.
    virtual Status start() = 0;
    // The button that starts a trial was pressed.
    virtual void startTrial() = 0;

    void ratePressed() { m_rating.ratePressed(); }
    void optionSelected(int scale, int index) { m_rating.optionSelected(scale, index); }

    // A trial has been started and the session has neither ended nor stopped.
    bool isUnderWay() const { return !m_stopped && m_trialNo > 0; }
    // A picture is on the screen and its rating is not yet saved.
    bool trialInProgress() const { return !m_stopped && m_inProgress; }
    // The session is being ended early: stop without writing anything more.
    void abandon();

    std::int16_t trialNo() const { return m_trialNo; }
    const TrialResults& results() const { return m_results; }

signals:
    // The last trial is saved and the files are marked finished.
    void finished();
    // A data file could not be written; the session has stopped.
    void failed(const Status& status);

protected:
    TrialRun(const RunServices& services, TrialView& view);

    // Starts a trial: the counter moves on. REQUIRES: canStartTrial().
    int beginTrial();
    bool canStartTrial(int lastTrial) const;
    // The trial's line is saved: the record says so, and the next trial may
    // start. False when the record could not be written (the run has failed).
    bool trialSaved();
    // The last trial is saved and the data files are finished: the record
    // follows them.
    void endSession();
    void fail(const Status& status);

    RunServices m_services;
    TrialView& m_view;
    TrialResults m_results;
    RatingProcedure m_rating;

private:
    virtual void endOfTrial() = 0;

    std::int16_t m_trialNo = 0;
    int m_saved = 0;  // trials whose results line is on disk
    bool m_inProgress = false;
    bool m_stopped = false;
};
