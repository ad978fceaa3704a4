#include "runs/rating_procedure.h"

#include <cmath>

RatingProcedure::RatingProcedure(Clock& clock, std::unique_ptr<Timer> timer, RatingView& view,
                                 Module1& module1, const std::array<ScaleSettings, 3>& scales,
                                 TrialResults& results)
    : m_clock(clock),
      m_timer(std::move(timer)),
      m_view(view),
      m_module1(module1),
      m_scales(scales),
      m_results(results) {
    m_timer->onTimeout = [this] { checkDelay(); };
}

void RatingProcedure::takeStartTime(int trial) {
    m_trial = trial;
    m_startTime = m_clock.now();
}

void RatingProcedure::presentScales() { beginScale(1); }

void RatingProcedure::finishTime() {
    m_results.RatingTime[m_trial] = static_cast<float>(m_clock.now() - m_startTime);
}

QString RatingProcedure::term() const { return m_scales[static_cast<std::size_t>(m_scale - 1)].left; }

void RatingProcedure::beginScale(int fromScale) {
    m_scale = fromScale;
    while (m_scale <= 3 && !m_scales[static_cast<std::size_t>(m_scale - 1)].forced) ++m_scale;
    if (m_scale > 3) {
        m_phase = Phase::Idle;
        emit scalesDone();
        return;
    }
    m_phase = Phase::Considering;
    m_view.showPrompt(QStringLiteral("Consider How ") + term());
    m_delayStart = m_clock.now();
    m_timer->start(static_cast<int>(m_module1.JudgeDelay) * 1000);
}

void RatingProcedure::checkDelay() {
    if (m_phase != Phase::Considering) return;
    // The delay is over once strictly more than JudgeDelay seconds have passed;
    // a timer that fires a little early is simply set again for the rest.
    const double left = m_module1.JudgeDelay - (m_clock.now() - m_delayStart);
    if (left >= 0) {
        m_timer->start(static_cast<int>(std::ceil(left * 1000.0)));
        return;
    }
    m_view.showRateButton(QStringLiteral("Rate How ") + term());
    m_phase = Phase::AwaitingRate;
    ratePressed();  // a flag raised earlier counts
}

void RatingProcedure::ratePressed() {
    if (m_phase != Phase::AwaitingRate || m_module1.RateFlag != 1) return;
    m_module1.RateFlag = 0;
    m_view.hideRateButton();
    m_phase = Phase::AwaitingChoice;
    m_view.showOptions(m_scale);
}

void RatingProcedure::optionSelected(int scale, int index) {
    if (m_phase != Phase::AwaitingChoice || scale != m_scale || index < 1 || index > 7) return;
    m_results.rating(scale)[m_trial] = index;
    m_phase = Phase::Clearing;
    // The options are cleared once the click that chose one has been fully
    // handled; unchecking a button inside its own toggled signal is unsafe.
    QMetaObject::invokeMethod(this, &RatingProcedure::clearScale, Qt::QueuedConnection);
}

void RatingProcedure::clearScale() {
    if (m_phase != Phase::Clearing) return;
    m_view.clearOptions(m_scale);
    beginScale(m_scale + 1);
}

void RatingProcedure::abandon() {
    m_timer->stop();
    m_phase = Phase::Idle;
}
