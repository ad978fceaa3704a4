#include "runs/rating_procedure.h"

#include <cmath>

RatingProcedure::RatingProcedure(Clock& clock, std::unique_ptr<Timer> timer, RatingView& view,
                                 const SessionSettings& settings)
    : m_clock(clock), m_timer(std::move(timer)), m_view(view), m_settings(settings) {
    m_timer->onTimeout = [this] { checkDelay(); };
}

void RatingProcedure::takeStartTime() {
    m_result = TrialRatings{};
    m_moments = RatingMoments{};
    m_moments.completeNs = m_clock.nanoseconds();
}

void RatingProcedure::presentScales() { beginScale(1); }

void RatingProcedure::finishTime() {
    m_result.time =
        static_cast<float>(static_cast<double>(m_clock.nanoseconds() - m_moments.completeNs) * 1e-9);
}

QString RatingProcedure::term() const { return m_settings.scale(m_scale).left; }

void RatingProcedure::beginScale(int fromScale) {
    m_scale = fromScale;
    while (m_scale <= 3 && !m_settings.scale(m_scale).forced) ++m_scale;
    if (m_scale > 3) {
        m_phase = Phase::Idle;
        emit scalesDone();
        return;
    }
    m_phase = Phase::Considering;
    m_view.showPrompt(QStringLiteral("Consider How ") + term());
    m_delayStart = m_clock.now();
    m_timer->start(m_settings.judgeDelay * 1000);
}

void RatingProcedure::checkDelay() {
    if (m_phase != Phase::Considering) return;
    // The delay is over once strictly more than the judgement delay has
    // passed; a timer that fires a little early is simply set again.
    const double left = m_settings.judgeDelay - (m_clock.now() - m_delayStart);
    if (left >= 0) {
        m_timer->start(static_cast<int>(std::ceil(left * 1000.0)));
        return;
    }
    m_view.showRateButton(QStringLiteral("Rate How ") + term());
    m_moments.rateShownNs[static_cast<std::size_t>(m_scale - 1)] = m_clock.nanoseconds();
    m_phase = Phase::AwaitingRate;
}

void RatingProcedure::ratePressed() {
    if (m_phase != Phase::AwaitingRate) return;
    m_view.hideRateButton();
    m_phase = Phase::AwaitingChoice;
    m_view.showOptions(m_scale);
}

void RatingProcedure::optionSelected(int scale, int index) {
    if (m_phase != Phase::AwaitingChoice || scale != m_scale || index < 1 || index > 7) return;
    m_result.ratings[static_cast<std::size_t>(scale - 1)] = index;
    m_moments.chosenNs[static_cast<std::size_t>(scale - 1)] = m_clock.nanoseconds();
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

#include "moc_rating_procedure.cpp"
