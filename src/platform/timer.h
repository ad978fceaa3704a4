#pragma once

// A single-shot timer, so the judgement delay can be driven by tests without
// waiting in real time. QtTimer is the real one; it asks for precise timing,
// since Qt's default coarse timers may fire up to 5 % early or late.

#include <QTimer>
#include <functional>

class Timer {
public:
    virtual ~Timer() = default;
    // Calls onTimeout once, no sooner than `ms` milliseconds from now, unless
    // stopped or started again first.
    virtual void start(int ms) = 0;
    virtual void stop() = 0;

    std::function<void()> onTimeout;
};

class QtTimer final : public Timer {
public:
    QtTimer();
    void start(int ms) override { m_timer.start(ms); }
    void stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};
