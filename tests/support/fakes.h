#pragma once

// Stand-ins for the outside world: a clock the test moves, a random source
// that plays a script, and a canvas that records every call.

#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/random_source.h"
#include "platform/timer.h"

#include <QList>
#include <QString>
#include <QStringList>

class FakeClock final : public Clock {
public:
    // Every reading moves the clock on by `step`, so waits for "strictly
    // more than" end without the test stepping in.
    explicit FakeClock(double start = 1000.0, double step = 0.001) : m_time(start), m_step(step) {}
    double now() const override {
        const double t = m_time;
        m_time += m_step;
        return t;
    }
    void advance(double seconds) { m_time += seconds; }

private:
    mutable double m_time;
    double m_step;
};

// A timer that fires only when the test says so.
class FakeTimer final : public Timer {
public:
    void start(int ms) override {
        running = true;
        lastInterval = ms;
        ++starts;
    }
    void stop() override { running = false; }
    // Fires if it is running; returns whether it was.
    bool fire() {
        if (!running) return false;
        running = false;
        if (onTimeout) onTimeout();
        return true;
    }
    bool running = false;
    int lastInterval = -1;
    int starts = 0;
};

class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(QList<float> script = {}) : m_script(std::move(script)) {}
    float next() override {
        ++m_draws;
        if (m_script.isEmpty()) {
            // Past the script every entry of twelve comes up in turn, so a
            // rejection loop still ends.
            m_exhausted = true;
            return (static_cast<float>(m_draws % 12) + 0.5f) / 12.0f;
        }
        return m_script.takeFirst();
    }
    void reseedFromClock() override { ++m_reseeds; }
    void setScript(QList<float> script) { m_script = std::move(script); }
    int draws() const { return m_draws; }
    int reseeds() const { return m_reseeds; }
    bool exhausted() const { return m_exhausted; }
    int left() const { return static_cast<int>(m_script.size()); }

private:
    QList<float> m_script;
    int m_draws = 0;
    int m_reseeds = 0;
    bool m_exhausted = false;
};

// r that selects entry k (1..12) in a draw of floor(r * 12) + 1.
inline float pick12(int k) { return (static_cast<float>(k) - 0.5f) / 12.0f; }
// r that gives offset v (0..199) in floor(r * 200).
inline float pick200(int v) { return (static_cast<float>(v) + 0.5f) / 200.0f; }

class RecordingCanvas final : public Canvas {
public:
    QStringList calls;
    void clear() override { calls << QStringLiteral("clear"); }
    void setPenWidth(int n) override { calls << QStringLiteral("pen %1").arg(n); }
    void setFillColour(std::uint32_t c) override { calls << QStringLiteral("fillcolour %1").arg(c); }
    void setFillStyle(FillStyle s) override {
        calls << (s == FillStyle::Solid ? QStringLiteral("fill solid") : QStringLiteral("fill transparent"));
    }
    void segment(CanvasPoint a, CanvasPoint b, std::uint32_t c) override {
        calls << QStringLiteral("segment %1 %2 %3").arg(pt(a), pt(b)).arg(c);
    }
    void continueTo(CanvasPoint b, std::uint32_t c) override {
        calls << QStringLiteral("continue %1 %2").arg(pt(b)).arg(c);
    }
    void box(CanvasPoint p, float w, float h, std::uint32_t c, BoxFill f) override {
        calls << QStringLiteral("box %1 %2x%3 %4 %5")
                     .arg(pt(p), num(w), num(h))
                     .arg(c)
                     .arg(f == BoxFill::Filled ? QStringLiteral("filled") : QStringLiteral("outline"));
    }
    void ellipse(CanvasPoint centre, float r, std::uint32_t c, float aspect) override {
        calls << QStringLiteral("ellipse %1 r%2 %3 a%4").arg(pt(centre), num(r)).arg(c).arg(num(aspect));
    }
    static QString num(float v) { return QString::number(static_cast<double>(v), 'g', 7); }
    static QString pt(CanvasPoint p) { return QStringLiteral("(%1,%2)").arg(num(p.x), num(p.y)); }
};
