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
    if (m_stopped) return;
    m_stopped = true;
    m_rating.abandon();
    m_services.record.endEarly(m_saved);  // best effort: the program is ending anyway
}

bool TrialRun::canStartTrial(int lastTrial) const {
    return !m_inProgress && !m_stopped && m_trialNo < lastTrial && m_trialNo < TrialResults::kMaxTrial;
}

int TrialRun::beginTrial() {
    m_inProgress = true;
    return ++m_trialNo;
}

bool TrialRun::trialSaved() {
    m_saved = m_trialNo;
    m_inProgress = false;
    if (Status s = m_services.record.trialDone(m_saved); !s.isOk()) {
        fail(s);
        return false;
    }
    return true;
}

void TrialRun::endSession() {
    if (Status s = m_services.record.finish(m_saved); !s.isOk()) return fail(s);
    m_stopped = true;
    emit finished();
}

void TrialRun::fail(const Status& status) {
    m_stopped = true;
    m_rating.abandon();
    m_services.record.fail(m_saved, status.message());  // best effort: it may be the record that failed
    emit failed(status);
}
