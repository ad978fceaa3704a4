#pragma once

// Has the subject rate the picture on the canvas: for each forced scale, in
// the order 1, 2, 3, a "Consider How ..." prompt that stands for the
// judgement delay, then the "Rate How ..." button, then the seven options.
// It is a small state machine driven by the event loop: the delay is a
// timer checked against the monotonic clock, the waits are signals, so the
// window keeps repainting and no CPU is spent while the subject thinks.
//
// A run calls takeStartTime(), hides its own button, calls presentScales()
// and, once scalesDone() arrives and its own end-of-trial steps are done,
// finishTime(), which stores the rating time.

#include <QObject>
#include <QTimer>

class MainScreen;
class Session;

class RatingProcedure final : public QObject {
    Q_OBJECT
public:
    RatingProcedure(Session& session, MainScreen& screen);

    // REQUIRES: 1 <= trial <= 1000.
    void takeStartTime(int trial);
    void presentScales();
    void finishTime();

    bool isPresenting() const { return m_phase != Phase::Idle; }
    // Stops whatever is on the screen without recording anything further.
    void abandon();

signals:
    void scalesDone();

private:
    enum class Phase { Idle, Considering, AwaitingRate, AwaitingChoice, Clearing };

    void beginScale(int fromScale);
    void checkDelay();
    void showRateButton();
    void onRateFlag();
    void onOptionToggled(int scale, int index, bool checked);
    void clearScale();
    QString term() const;

    Session& m_session;
    MainScreen& m_screen;
    QTimer m_delayTimer;
    Phase m_phase = Phase::Idle;
    int m_trial = 0;
    int m_scale = 0;
    double m_startTime = 0;
    double m_delayStart = 0;
};
