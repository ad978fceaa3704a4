#include "platform/presentation.h"

#include "platform/wayland_presentation.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#if defined(PICTOR_X11_PRESENT) && QT_CONFIG(xcb)
#define PICTOR_USE_X11_PRESENT 1
#include <xcb/present.h>
#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>

#include <array>
#include <cstdlib>
#include <iterator>
#endif

namespace presentation_internal {

// Every answer comes later, never inside the call, as the interface promises.
void answerLater(PresentationFeedback::Done done, FramePresentation frame) {
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [done = std::move(done), frame = std::move(frame)] { done(frame); });
}

FramePresentation unknown(const QString& why, qint64 flushedNs) {
    FramePresentation frame;
    frame.flushedNs = flushedNs;
    frame.source = why;
    return frame;
}

}  // namespace presentation_internal

namespace {

using presentation_internal::answerLater;
using presentation_internal::unknown;

class NoPresentation final : public PresentationFeedback {
public:
    NoPresentation(QString why, const Clock& clock) : m_why(std::move(why)), m_clock(clock) {}
    void setFlushExpected(QWindow*, bool) override {}
    void afterFlush(QWindow*, Done done) override {
        answerLater(std::move(done), unknown(m_why, m_clock.nanoseconds()));
    }

private:
    QString m_why;
    const Clock& m_clock;
};

#ifdef PICTOR_USE_X11_PRESENT

// X11 Present. While a flush is expected or waits for its frame, a notice
// is asked for each of the window's frames, well ahead: kChains chains, one
// per remainder of the frame counter divided by kChains, each asking again
// for its next frame when its notice comes. Asking only after the flush
// would sometimes miss the very next frame: the server reckons "the next
// frame" from its own frame counter, which (on a virtual X server) already
// counts a frame half a refresh away, and the program may have been busy
// syncing the picture's lines to the disk just before the flush. Asked
// ahead, no frame goes without its notice unless the program is kept from
// its events for kChains frames (a quarter of a second at 60 Hz). It costs one
// short notice per refresh, and only while the subject may start a picture.
class X11Presentation final : public QObject, public QAbstractNativeEventFilter, public PresentationFeedback {
public:
    X11Presentation(xcb_connection_t* connection, uint8_t opcode, const Clock& clock)
        : m_connection(connection), m_opcode(opcode), m_clock(clock) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~X11Presentation() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    void setFlushExpected(QWindow* window, bool expected) override {
        m_expected = expected && follow(window);
        askForFrames();
    }

    void afterFlush(QWindow* window, Done done) override {
        if (!follow(window)) return answerLater(std::move(done), unknown(QStringLiteral("no window"), 0));
        // The server numbers our requests and stamps each notice with the
        // last one it had carried out when the frame came: once it has
        // carried out this one, it has drawn everything sent before it.
        const int id = ++m_lastWaiting;
        const qint64 flushedNs = m_clock.nanoseconds();
        m_waiting.append({id, flushedNs, xcb_no_operation(m_connection).sequence, std::move(done)});
        askForFrames();
        QTimer::singleShot(kPresentationWaitMs, this, [this, id] {
            for (qsizetype i = 0; i < m_waiting.size(); ++i) {
                if (m_waiting[i].id != id) continue;
                const Waiting late = m_waiting.takeAt(i);
                late.done(
                    unknown(QStringLiteral("X11 Present sent no frame within %1 ms").arg(kPresentationWaitMs),
                            late.flushedNs));
                return;
            }
        });
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_GE_GENERIC) return false;
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (generic->extension != m_opcode || generic->event_type != XCB_PRESENT_COMPLETE_NOTIFY)
            return false;
        const auto* notice = reinterpret_cast<const xcb_present_complete_notify_event_t*>(event);
        if (notice->event != m_eventId) return false;
        m_asked[notice->serial % kChains] = false;
        FramePresentation frame;
        frame.known = true;
        frame.presentedNs = static_cast<qint64>(notice->ust) * 1000;
        frame.frame = notice->msc;
        frame.mode = notice->mode < std::size(kPresentModes) ? QLatin1String(kPresentModes[notice->mode])
                                                             : QStringLiteral("mode %1").arg(notice->mode);
        frame.source = QStringLiteral("X11 Present");
        // The frame shows every flush the server had carried out before it.
        QList<Waiting> shown;
        for (qsizetype i = 0; i < m_waiting.size();) {
            if (static_cast<int32_t>(notice->full_sequence - m_waiting[i].request) >= 0)
                shown.append(m_waiting.takeAt(i));
            else
                ++i;
        }
        askForFrames();
        for (Waiting& w : shown) {
            frame.flushedNs = w.flushedNs;
            answerLater(std::move(w.done), frame);
        }
        return true;
    }

private:
    struct Waiting {
        int id;
        qint64 flushedNs;
        unsigned int request;  // the sequence number of the request sent after the flush
        Done done;
    };

    // Selects the Present notices of the window; false when it has no native window.
    bool follow(QWindow* window) {
        if (!window || !window->handle()) return false;
        const auto id = static_cast<xcb_window_t>(window->winId());
        if (id == m_window) return true;
        m_window = id;
        m_eventId = xcb_generate_id(m_connection);
        m_asked.fill(false);
        xcb_present_select_input(m_connection, m_eventId, m_window, XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY);
        return true;
    }

    // Each chain without a notice on its way asks for the next frame after
    // the server's present one that leaves its remainder. (With a divisor
    // the server never answers at once, with a time that is not a frame's.)
    void askForFrames() {
        if (!m_window || (!m_expected && m_waiting.isEmpty())) return;
        for (uint32_t chain = 0; chain < kChains; ++chain) {
            if (m_asked[chain]) continue;
            xcb_present_notify_msc(m_connection, m_window, ++m_requests * kChains + chain, 0, kChains, chain);
            m_asked[chain] = true;
        }
        xcb_flush(m_connection);
    }

    xcb_connection_t* m_connection;
    uint8_t m_opcode;
    const Clock& m_clock;
    xcb_window_t m_window = 0;
    uint32_t m_eventId = 0;
    static constexpr uint32_t kChains = 16;
    uint32_t m_requests = 0;
    std::array<bool, kChains> m_asked{};  // per chain, a notice is on its way
    bool m_expected = false;
    int m_lastWaiting = 0;
    QList<Waiting> m_waiting;
};

#endif

}  // namespace

std::unique_ptr<PresentationFeedback> makePresentationFeedback(const Clock& clock) {
    const QString platform = QGuiApplication::platformName();
#ifdef PICTOR_USE_X11_PRESENT
    // Other platforms may offer the interface too (offscreen, for its GLX),
    // without a connection of their own.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t* connection =
            x11 && platform == QLatin1String("xcb") ? x11->connection() : nullptr) {
        const xcb_query_extension_reply_t* present = xcb_get_extension_data(connection, &xcb_present_id);
        if (!present || !present->present)
            return std::make_unique<NoPresentation>(QStringLiteral("the X server has no Present extension"),
                                                    clock);
        return std::make_unique<X11Presentation>(connection, present->major_opcode, clock);
    }
#endif
    if (platform.startsWith(QLatin1String("wayland")))
#ifdef PICTOR_WAYLAND_PRESENTATION
        return makeWaylandPresentation(clock);
#else
        return std::make_unique<NoPresentation>(
            QStringLiteral("Wayland: this build of Pictor does not use the presentation-time protocol"),
            clock);
#endif
    return std::make_unique<NoPresentation>(
        QStringLiteral("the %1 platform reports no presented frames").arg(platform), clock);
}
