#pragma once

// The time source behind the judgement delay, the rating time and the
// moments of the timing file. It is monotonic, so a session that runs
// across midnight or through a change of the system time still measures
// true intervals. On Linux it is CLOCK_MONOTONIC, the clock the X server
// stamps presented frames with, so both can be compared directly. Tests put
// a FakeClock in.

#include <QtGlobal>

class Clock {
public:
    virtual ~Clock() = default;
    // Nanoseconds since an arbitrary fixed point; never goes backwards.
    virtual qint64 nanoseconds() const = 0;
    // The same reading in seconds.
    double now() const { return static_cast<double>(nanoseconds()) * 1e-9; }
};

class SteadyClock final : public Clock {
public:
    qint64 nanoseconds() const override;
};
