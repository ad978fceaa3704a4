#pragma once

// Stand-ins for the outside world: a clock the test moves, a timer that
// fires when told, a random source that plays a script, a canvas that
// records every call, a disk in memory that can fail a chosen write and a
// window system that keeps count of its holds and presents frames when told.

#include "core/picture.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/disk.h"
#include "platform/display_system.h"
#include "platform/presentation.h"
#include "platform/random_source.h"
#include "platform/timer.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <QTimer>
#include <cmath>

class FakeClock final : public Clock {
public:
    // Every reading moves the clock on by `step`, so waits for "strictly
    // more than" end without the test stepping in.
    explicit FakeClock(double start = 1000.0, double step = 0.001) : m_time(start), m_step(step) {}
    qint64 nanoseconds() const override { return std::llround(((m_time += m_step) - m_step) * 1e9); }
    void advance(double seconds) { m_time += seconds; }

private:
    mutable double m_time;
    double m_step;
};

class FakeTimer final : public Timer {
public:
    void start(int ms) override {
        running = true;
        lastInterval = ms;
    }
    void stop() override { running = false; }
    bool fire() {
        if (!running) return false;
        running = false;
        if (onTimeout) onTimeout();
        return true;
    }
    bool running = false;
    int lastInterval = -1;
};

class ScriptedRandom final : public RandomSource {
public:
    // Past the script every entry of twelve comes up in turn, so a
    // rejection loop still ends.
    float next() override {
        ++draws;
        return script.isEmpty() ? (static_cast<float>(draws % 12) + 0.5f) / 12.0f : script.takeFirst();
    }
    void reseedFromClock() override { ++reseeds; }
    QList<float> script;
    int draws = 0;
    int reseeds = 0;
};

// r that selects entry k (1..12) in a draw of floor(r * 12) + 1.
inline float pick12(int k) { return (static_cast<float>(k) - 0.5f) / 12.0f; }
// r that gives offset v (0..199) in floor(r * 200).
inline float pick200(int v) { return (static_cast<float>(v) + 0.5f) / 200.0f; }

// A colour as the data files store it.
inline std::uint32_t storedColourOf(QRgb rgb) {
    return static_cast<std::uint32_t>(qRed(rgb)) | static_cast<std::uint32_t>(qGreen(rgb)) << 8 |
           static_cast<std::uint32_t>(qBlue(rgb)) << 16;
}

class RecordingCanvas final : public Canvas {
public:
    QStringList calls;
    void clear() override { calls << QStringLiteral("clear"); }
    void setPenWidth(int n) override { calls << QStringLiteral("pen %1").arg(n); }
    void setFillColour(QRgb c) override { calls << QStringLiteral("fillcolour %1").arg(storedColourOf(c)); }
    void setFillStyle(FillStyle s) override {
        calls << (s == FillStyle::Solid ? QStringLiteral("fill solid") : QStringLiteral("fill transparent"));
    }
    void segment(CanvasPoint a, CanvasPoint b, QRgb c) override {
        calls << QStringLiteral("segment %1 %2 %3").arg(pt(a), pt(b)).arg(storedColourOf(c));
    }
    void continueTo(CanvasPoint b, QRgb c) override {
        calls << QStringLiteral("continue %1 %2").arg(pt(b)).arg(storedColourOf(c));
    }
    void box(CanvasPoint p, float w, float h, QRgb c, BoxFill f) override {
        calls << QStringLiteral("box %1 %2x%3 %4 %5")
                     .arg(pt(p), num(w), num(h))
                     .arg(storedColourOf(c))
                     .arg(f == BoxFill::Filled ? QStringLiteral("filled") : QStringLiteral("outline"));
    }
    void ellipse(CanvasPoint centre, float r, QRgb c, float aspect) override {
        calls << QStringLiteral("ellipse %1 r%2 %3 a%4")
                     .arg(pt(centre), num(r))
                     .arg(storedColourOf(c))
                     .arg(num(aspect));
    }
    static QString num(float v) { return QString::number(static_cast<double>(v), 'g', 7); }
    static QString pt(CanvasPoint p) { return QStringLiteral("(%1,%2)").arg(num(p.x), num(p.y)); }
};

class FakeDisk final : public DataDisk {
public:
    struct File {
        QByteArray data;
        bool writable = true;
    };
    QMap<QString, File> files;
    int writes = 0;  // writes attempted so far
    int failAt = 0;  // the write (1-based) that fails; 0: none

    EntryInfo inspect(const QString& path) const override {
        if (!files.contains(path)) return EntryInfo{};
        return EntryInfo{EntryKind::File, files[path].writable, files[path].data.size(), {}, 1};
    }
    Status checkFolderOf(const QString&) const override { return Status::ok(); }
    Status createNew(const QString& path, const QByteArray& data) override {
        if (files.contains(path)) return Status::error(path + ": it exists already");
        return put(path, data, false);
    }
    Status append(const QString& path, const QByteArray& data) override {
        if (!files.contains(path)) return Status::error(path + ": the file does not exist");
        return put(path, data, true);
    }
    Status replaceAtomically(const QString& path, const QByteArray& data) override {
        return put(path, data, false);
    }
    Status readAll(const QString& path, QByteArray* out, qint64) const override {
        if (!files.contains(path)) return Status::error(path + ": the file does not exist");
        *out = files[path].data;
        return Status::ok();
    }
    Status makeReadOnly(const QString& path) override {
        if (!files.contains(path)) return Status::error(path + ": the file does not exist");
        files[path].writable = false;
        return Status::ok();
    }
    Status remove(const QString& path) override {
        files.remove(path);
        return Status::ok();
    }
    LockAttempt lock(const QString&) override { return {}; }  // the runs never lock

private:
    Status put(const QString& path, const QByteArray& data, bool adding) {
        if (files.contains(path) && !files[path].writable) return Status::error(path + ": read-only");
        if (++writes == failAt) return Status::error(path + ": No space left on device");
        files[path] = File{(adding ? files[path].data : QByteArray()) + data, true};
        return Status::ok();
    }
};

class FakeDisplay final : public DisplaySystem {
public:
    QStringList holdScreenOn() override {
        held = true;
        return {QStringLiteral("fake saver")};
    }
    void releaseScreen() override { held = false; }
    QString windowManagerName() const override { return QStringLiteral("Fake WM"); }
    std::optional<bool> compositorRunning() const override { return true; }
    bool held = false;
};

// Presents each flush on the next turn of the event loop, in the next
// frame of a display that shows frame n at n * 10 ms, 4 ms after the flush.
class FakePresentation final : public PresentationFeedback {
public:
    quint64 frames = 0;
    bool expected = false;
    void setFlushExpected(QWindow*, bool e) override { expected = e; }
    void afterFlush(QWindow*, Done done) override {
        const qint64 at = static_cast<qint64>(++frames) * 10'000'000;
        const FramePresentation f{true, at, at - 4'000'000, frames, "flip", "fake"};
        QTimer::singleShot(0, [done = std::move(done), f] { done(f); });
    }
};
