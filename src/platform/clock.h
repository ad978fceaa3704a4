#pragma once

// The time source behind the judgement delay and the rating time. It is
// monotonic, so a session that runs across midnight or through a change of
// the system time still measures true intervals. Tests put a FakeClock in.

#include <chrono>

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since an arbitrary fixed point; never goes backwards.
    virtual double now() const = 0;
};

class SteadyClock final : public Clock {
public:
    double now() const override;
};
