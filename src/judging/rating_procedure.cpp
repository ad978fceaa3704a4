#include "judging/rating_procedure.h"

#include "main_screen/main_screen.h"
#include "platform/wrapping_radio_button.h"
#include "session/session.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <cmath>

RatingProcedure::RatingProcedure(Session& session, MainScreen& screen)
    : m_session(session), m_screen(screen) {
    m_delayTimer.setSingleShot(true);
    m_delayTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_delayTimer, &QTimer::timeout, this, &RatingProcedure::checkDelay);
    connect(&m_screen, &MainScreen::rateFlagRaised, this, &RatingProcedure::onRateFlag);
    for (int k = 1; k <= 3; ++k)
        for (int i = 1; i <= 7; ++i)
            connect(m_screen.ui().scale(k)[i], &QAbstractButton::toggled, this,
                    [this, k, i](bool checked) { onOptionToggled(k, i, checked); });
}

void RatingProcedure::takeStartTime(int trial) {
    m_trial = trial;
    m_startTime = m_session.clock().now();
}

void RatingProcedure::presentScales() { beginScale(1); }

void RatingProcedure::finishTime() {
    const double elapsed = m_session.clock().now() - m_startTime;
    m_screen.results.RatingTime[m_trial] = static_cast<float>(elapsed);
}

QString RatingProcedure::term() const { return m_session.settings().scale(m_scale).left; }

void RatingProcedure::beginScale(int fromScale) {
    m_scale = fromScale;
    while (m_scale <= 3 && !m_session.settings().scale(m_scale).forced) ++m_scale;
    if (m_scale > 3) {
        m_phase = Phase::Idle;
        emit scalesDone();
        return;
    }
    m_phase = Phase::Considering;
    QLabel* prompt = m_screen.ui().Label10;
    prompt->setVisible(true);
    prompt->setText(QStringLiteral("Consider How ") + term());
    m_delayStart = m_session.clock().now();
    m_delayTimer.start(static_cast<int>(m_session.module1.JudgeDelay) * 1000);
}

void RatingProcedure::checkDelay() {
    if (m_phase != Phase::Considering) return;
    // The delay is over once strictly more than JudgeDelay seconds have passed;
    // a timer that fires a little early is simply set again for the rest.
    const double left = m_session.module1.JudgeDelay - (m_session.clock().now() - m_delayStart);
    if (left < 0) {
        showRateButton();
        return;
    }
    m_delayTimer.start(static_cast<int>(std::ceil(left * 1000.0)));
}

void RatingProcedure::showRateButton() {
    const MainWidgets& u = m_screen.ui();
    u.Command3->setText(QStringLiteral("Rate How ") + term());
    u.Label10->setText(QString());
    u.Command3->setVisible(true);
    u.Command3->setEnabled(true);
    m_phase = Phase::AwaitingRate;
    onRateFlag();
}

void RatingProcedure::onRateFlag() {
    if (m_phase != Phase::AwaitingRate || m_session.module1.RateFlag != 1) return;
    const MainWidgets& u = m_screen.ui();
    m_session.module1.RateFlag = 0;
    u.Command3->setVisible(false);
    u.Command3->setEnabled(false);
    m_phase = Phase::AwaitingChoice;
    for (int i = 1; i <= 7; ++i) {
        u.scale(m_scale)[i]->setEnabled(true);
        u.scale(m_scale)[i]->setVisible(true);
    }
}

void RatingProcedure::onOptionToggled(int scale, int index, bool checked) {
    if (!checked || m_phase != Phase::AwaitingChoice || scale != m_scale) return;
    m_screen.results.rating(scale)[m_trial] = index;
    m_phase = Phase::Clearing;
    // The options are cleared once the click that chose one has been fully
    // handled; unchecking a button inside its own toggled signal is unsafe.
    QMetaObject::invokeMethod(this, &RatingProcedure::clearScale, Qt::QueuedConnection);
}

void RatingProcedure::clearScale() {
    if (m_phase != Phase::Clearing) return;
    const MainWidgets& u = m_screen.ui();
    u.scaleGroup->setExclusive(false);
    for (int i = 1; i <= 7; ++i) {
        u.scale(m_scale)[i]->setEnabled(false);
        u.scale(m_scale)[i]->setVisible(false);
        u.scale(m_scale)[i]->setChecked(false);
    }
    u.scaleGroup->setExclusive(true);
    beginScale(m_scale + 1);
}

void RatingProcedure::abandon() {
    m_delayTimer.stop();
    m_phase = Phase::Idle;
}
