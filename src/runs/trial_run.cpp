#include "runs/trial_run.h"

#include "runs/judge_art_run.h"
#include "runs/make_art_run.h"

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
    m_stopped = true;
    m_rating.abandon();
    m_session.record.endEarly(m_saved);  // best effort: the program is ending anyway
}

bool TrialRun::canStartTrial() const { return !m_inProgress && !m_stopped && m_trialNo < plannedTrials(); }

int TrialRun::beginTrial() {
    m_inProgress = true;
    return ++m_trialNo;
}

void TrialRun::trialSaved() {
    m_saved = m_trialNo;
    m_inProgress = false;
    if (Status s = m_session.record.trialDone(m_saved); !s.isOk()) return fail(s);
    if (m_saved != plannedTrials()) return;
    if (Status s = finishFiles(); !s.isOk()) return fail(s);
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
