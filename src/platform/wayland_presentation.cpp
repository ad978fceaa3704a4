#include "platform/wayland_presentation.h"

#include "presentation-time-client-protocol.h"

#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <ctime>
#include <utility>

namespace {

using presentation_internal::answerLater;
using presentation_internal::unknown;
// The protocol's C names a request and its object alike.
using Feedback = struct wp_presentation_feedback;

qint64 readClock(clockid_t id) {
    timespec t{};
    clock_gettime(id, &t);
    return static_cast<qint64>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// The presentation-time protocol. A feedback belongs to the surface's next
// commit and reports the first frame that shows it, or that a later commit
// replaced it before any frame did. Qt's widgets flush by attaching a
// buffer to the window's surface and committing it at once, so after the
// flush a feedback is asked and committed with an update that changes
// nothing: it reports the first frame showing the picture. Qt often
// commits again before that frame (the instruction, painted just after the
// picture), which replaces the update; the later content holds the picture
// too, so the replaced feedback is followed by another on the content of
// the moment (never a frame earlier than the picture's, at worst one
// later). Only one is asked at a time, so an update of ours can never
// replace one of our own. The events come on Qt's own queue, dispatched
// with Qt's other Wayland events on the GUI thread.
class WaylandPresentation final : public QObject, public PresentationFeedback {
public:
    WaylandPresentation(wl_display* display, const Clock& clock) : m_display(display), m_clock(clock) {
        if (!m_display) {
            m_unavailable = QStringLiteral("Qt gave no Wayland connection");
            return;
        }
        discover();
        if (!m_presentation)
            m_unavailable = QStringLiteral("the Wayland compositor does not offer presentation-time");
    }

    ~WaylandPresentation() override {
        for (Waiting& w : m_waiting) w.forget();
        if (m_presentation) wp_presentation_destroy(m_presentation);
    }

    // A feedback asked after the flush catches the frame that shows it: nothing to follow before.
    void setFlushExpected(QWindow*, bool) override {}

    void afterFlush(QWindow* window, Done done) override {
        if (!m_unavailable.isEmpty()) return answerLater(std::move(done), unknown(m_unavailable, 0));
        Waiting w{++m_lastWaiting, nullptr, window, 0, std::move(done)};
        if (!follow(w)) return answerLater(std::move(w.done), unknown(QStringLiteral("no window"), 0));
        w.flushedNs = m_clock.nanoseconds();
        m_waiting.append(std::move(w));
        QTimer::singleShot(kPresentationWaitMs, this, [this, id = m_lastWaiting] {
            const QString why = QStringLiteral("the Wayland compositor presented no frame within %1 ms")
                                    .arg(kPresentationWaitMs);
            for (qsizetype i = 0; i < m_waiting.size(); ++i)
                if (m_waiting[i].id == id) return answer(i, unknown(why, 0));
        });
    }

private:
    struct Waiting {
        int id;
        Feedback* feedback;  // on a content update that holds the picture
        QPointer<QWindow> window;
        qint64 flushedNs;
        Done done;
        void forget() {
            if (feedback) wp_presentation_feedback_destroy(std::exchange(feedback, nullptr));
        }
    };

    Feedback* ask(wl_surface* surface) {
        Feedback* feedback = wp_presentation_feedback(m_presentation, surface);
        wp_presentation_feedback_add_listener(feedback, &kFeedbackEvents, this);
        return feedback;
    }

    // A feedback on the surface's present content, committed with an update
    // that changes nothing.
    bool follow(Waiting& w) {
        auto* surface = w.window && w.window->handle()
                            ? static_cast<wl_surface*>(
                                  QGuiApplication::platformNativeInterface()->nativeResourceForWindow(
                                      "surface", w.window))
                            : nullptr;
        if (!surface) return false;
        w.feedback = ask(surface);
        wl_surface_commit(surface);
        wl_display_flush(m_display);
        return true;
    }

    // Binds wp_presentation and learns its clock, on a queue of this
    // object's own so that no event of Qt's is dispatched meanwhile; then
    // hands it to Qt's queue.
    void discover() {
        wl_event_queue* queue = wl_display_create_queue(m_display);
        auto* display = static_cast<wl_display*>(wl_proxy_create_wrapper(m_display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(display), queue);
        wl_registry* registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &kRegistryEvents, this);
        // The globals, then the clock that the bound presentation announces.
        if (wl_display_roundtrip_queue(m_display, queue) >= 0 && m_presentation)
            wl_display_roundtrip_queue(m_display, queue);
        wl_registry_destroy(registry);
        wl_proxy_wrapper_destroy(display);
        if (m_presentation) wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(m_presentation), nullptr);
        wl_event_queue_destroy(queue);
    }

    // The frame's time on the Clock's scale. A compositor on another clock
    // (headless weston: CLOCK_MONOTONIC_RAW, which drifts from the
    // monotonic clock as the time is slewed) is read against the Clock now:
    // the frame was only a moment ago.
    qint64 onClock(qint64 ns) const {
        if (m_clockId == CLOCK_MONOTONIC) return ns;
        const qint64 before = readClock(m_clockId), clock = m_clock.nanoseconds(),
                     after = readClock(m_clockId);
        return ns + clock - (before + (after - before) / 2);
    }

    QString source() const {
        switch (m_clockId) {
        case CLOCK_MONOTONIC:
        case CLOCK_MONOTONIC_RAW:
        case CLOCK_MONOTONIC_COARSE:
        case CLOCK_BOOTTIME: return QStringLiteral("Wayland presentation-time");
        default:
            // A frame that waits while the system's time is set is off by the change.
            return QStringLiteral("Wayland presentation-time, converted from clock %1, which may be set")
                .arg(m_clockId);
        }
    }

    void answer(qsizetype i, FramePresentation frame) {
        Waiting w = m_waiting.takeAt(i);
        w.forget();
        frame.flushedNs = w.flushedNs;
        answerLater(std::move(w.done), std::move(frame));
    }

    qsizetype waiting(Feedback* feedback) const {
        for (qsizetype i = 0; i < m_waiting.size(); ++i)
            if (m_waiting[i].feedback == feedback) return i;
        return -1;
    }

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
        auto* self = static_cast<WaylandPresentation*>(data);
        if (qstrcmp(interface, wp_presentation_interface.name) != 0 || self->m_presentation) return;
        self->m_presentation =
            static_cast<wp_presentation*>(wl_registry_bind(registry, name, &wp_presentation_interface, 1));
        wp_presentation_add_listener(self->m_presentation, &kPresentationEvents, self);
    }

    static void clockId(void* data, wp_presentation*, uint32_t id) {
        static_cast<WaylandPresentation*>(data)->m_clockId = static_cast<clockid_t>(id);
    }

    static void presented(void* data, Feedback* feedback, uint32_t secondsHigh, uint32_t secondsLow,
                          uint32_t ns, uint32_t, uint32_t frameHigh, uint32_t frameLow, uint32_t flags) {
        auto* self = static_cast<WaylandPresentation*>(data);
        const qsizetype i = self->waiting(feedback);
        if (i < 0) return;
        FramePresentation frame;
        frame.known = true;
        const qint64 seconds = static_cast<qint64>((quint64(secondsHigh) << 32) | secondsLow);
        frame.presentedNs = self->onClock(seconds * 1'000'000'000 + ns);
        frame.frame = (quint64(frameHigh) << 32) | frameLow;
        frame.mode = QLatin1String(kPresentModes[flags & WP_PRESENTATION_FEEDBACK_KIND_ZERO_COPY ? 1 : 0]);
        frame.source = self->source();
        self->answer(i, frame);
    }

    // A later commit replaced the update before a frame showed it.
    static void discarded(void* data, Feedback* feedback) {
        auto* self = static_cast<WaylandPresentation*>(data);
        const qsizetype i = self->waiting(feedback);
        if (i < 0) return;
        self->m_waiting[i].forget();
        if (!self->follow(self->m_waiting[i]))
            self->answer(i,
                         unknown(QStringLiteral("the window was gone before a frame showed the picture"), 0));
    }

    static void outputShown(void*, Feedback*, wl_output*) {}
    static void globalRemoved(void*, wl_registry*, uint32_t) {}

    static constexpr wl_registry_listener kRegistryEvents{&global, &globalRemoved};
    static constexpr wp_presentation_listener kPresentationEvents{&clockId};
    static constexpr wp_presentation_feedback_listener kFeedbackEvents{&outputShown, &presented, &discarded};

    wl_display* m_display;
    const Clock& m_clock;
    QString m_unavailable;  // why no frame is ever known, if so
    wp_presentation* m_presentation = nullptr;
    clockid_t m_clockId = CLOCK_MONOTONIC;
    int m_lastWaiting = 0;
    QList<Waiting> m_waiting;
};

}  // namespace

std::unique_ptr<PresentationFeedback> makeWaylandPresentation(const Clock& clock) {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    return std::make_unique<WaylandPresentation>(
        native ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display")) : nullptr,
        clock);
}
