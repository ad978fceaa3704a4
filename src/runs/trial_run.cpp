#include "runs/trial_run.h"

#include "runs/judge_art_run.h"
#include "runs/make_art_run.h"

#include <QPointer>

std::unique_ptr<TrialRun> TrialRun::create(ActiveSession& session, const RunContext& context,
                                           TrialView& view) {
    if (session.settings.mode == SessionMode::MakeArt)
        return std::make_unique<MakeArtRun>(session, context, view);
    return std::make_unique<JudgeArtRun>(session, context, view);
}

TrialRun::TrialRun(ActiveSession& session, const RunContext& context, TrialView& view)
    : m_session(session),
      m_context(context),
      m_view(view),
      m_rating(context.clock, context.makeTimer(), view, session.settings) {
    connect(&m_rating, &RatingProcedure::scalesDone, this, [this] {
        if (!m_stopped) endOfTrial();
    });
}

TrialRun::~TrialRun() = default;

void TrialRun::abandon() {
    if (m_stopped) return;
    if (m_finishing) {
        // Every trial is saved and only the last frames are awaited: the
        // session ran to its end, and finishes with those onsets unknown.
        for (PendingTiming& p : m_pending) {
            if (p.presented) continue;
            p.row.presented.source = QStringLiteral("the window closed before the frame was reported");
            p.presented = true;
        }
        writeTiming();
        finishWhenTimed();
        return;
    }
    m_stopped = true;
    m_rating.abandon();
    m_session.record.endEarly(m_saved);  // best effort: the program is ending anyway
}

bool TrialRun::canStartTrial() const { return !m_inProgress && !m_stopped && m_trialNo < plannedTrials(); }

int TrialRun::beginTrial() {
    m_inProgress = true;
    return ++m_trialNo;
}

void TrialRun::pictureComplete() {
    m_rating.takeStartTime();
    m_pending.append({TimingRow{m_trialNo, m_rating.moments(), {}}});
    m_view.awaitPresentation([run = QPointer<TrialRun>(this), trial = m_trialNo](const FramePresentation& f) {
        if (run) run->presented(trial, f);
    });
}

void TrialRun::presented(int trial, const FramePresentation& frame) {
    if (m_stopped) return;
    for (PendingTiming& p : m_pending) {
        if (p.row.trial != trial) continue;
        p.row.presented = frame;
        p.presented = true;
    }
    // What reported the frames, or else why nothing did.
    if (frame.known || !m_anyKnown) m_onsetSource = frame.source;
    m_anyKnown = m_anyKnown || frame.known;
    writeTiming();
    finishWhenTimed();
}

void TrialRun::writeTiming() {
    while (!m_pending.isEmpty() && m_pending.first().saved && m_pending.first().presented) {
        m_timed.append(m_pending.takeFirst().row);
        if (!m_timingProblem.isEmpty()) continue;
        const Status s = m_session.files.appendTiming(m_session.settings.mode, m_timed.last());
        if (!s.isOk()) timingProblem(s);
    }
    OnsetSummary summary = summariseOnsets(m_timed, m_onsetSource);
    summary.timingFileProblem = m_timingProblem;
    m_session.record.setOnset(summary);
}

void TrialRun::timingProblem(const Status& status) {
    m_timingProblem = status.message();
    emit timingFailed(status);
}

void TrialRun::trialSaved() {
    m_saved = m_trialNo;
    m_inProgress = false;
    for (PendingTiming& p : m_pending) {
        if (p.row.trial != m_saved) continue;
        p.row.moments = m_rating.moments();
        p.saved = true;
    }
    writeTiming();
    if (Status s = m_session.record.trialDone(m_saved); !s.isOk()) return fail(s);
    m_finishing = m_saved == plannedTrials();
    finishWhenTimed();
}

void TrialRun::finishWhenTimed() {
    if (!m_finishing || m_stopped || !m_pending.isEmpty()) return;
    if (Status s = finishFiles(); !s.isOk()) return fail(s);
    if (Status s = m_session.files.finishTiming(m_session.settings.mode);
        !s.isOk() && m_timingProblem.isEmpty()) {
        timingProblem(s);
        writeTiming();  // the record says so
    }
    if (Status s = m_session.record.finish(m_saved); !s.isOk()) return fail(s);
    m_stopped = true;
    emit finished();
}

void TrialRun::fail(const Status& status) {
    m_stopped = true;
    m_rating.abandon();
    m_session.record.fail(m_saved, status.message());  // best effort: it may be the record that failed
    emit failed(status);
}

#include "moc_trial_run.cpp"
