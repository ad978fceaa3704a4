#include "runs/trial_run.h"

TrialRun::TrialRun(const RunServices& services, TrialView& view)
    : m_services(services),
      m_view(view),
      m_rating(services.clock, services.makeTimer(), view, services.module1, services.settings.scales,
               m_results) {
    connect(&m_rating, &RatingProcedure::scalesDone, this, [this] {
        if (!m_stopped) endOfTrial();
    });
}

TrialRun::~TrialRun() = default;

void TrialRun::abandon() {
    m_stopped = true;
    m_rating.abandon();
}

bool TrialRun::canStartTrial(int lastTrial) const {
    return !m_inProgress && !m_stopped && m_trialNo < lastTrial && m_trialNo < TrialResults::kMaxTrial;
}

int TrialRun::beginTrial() {
    m_inProgress = true;
    return ++m_trialNo;
}

void TrialRun::endSession() {
    m_stopped = true;
    emit finished();
}

void TrialRun::fail(const Status& status) {
    m_stopped = true;
    m_rating.abandon();
    emit failed(status);
}
