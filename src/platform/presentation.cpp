#include "platform/presentation.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#if defined(PICTOR_X11_PRESENT) && QT_CONFIG(xcb)
#define PICTOR_USE_X11_PRESENT 1
#include <QAbstractNativeEventFilter>
#include <xcb/present.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <iterator>
#endif

namespace {

// Every answer comes later, never inside the call, as the interface promises.
void answerLater(PresentationFeedback::Done done, FramePresentation frame) {
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [done = std::move(done), frame = std::move(frame)] { done(frame); });
}

FramePresentation unknown(const QString& why) {
    FramePresentation frame;
    frame.source = why;
    return frame;
}

class NoPresentation final : public PresentationFeedback {
public:
    explicit NoPresentation(QString why) : m_why(std::move(why)) {}
    void setFlushExpected(QWindow*, bool) override {}
    void afterFlush(QWindow*, Done done) override { answerLater(std::move(done), unknown(m_why)); }

private:
    QString m_why;
};

#ifdef PICTOR_USE_X11_PRESENT

const char* const kModes[] = {"copy", "flip", "skip", "suboptimal copy"};

// X11 Present. A notice is asked for the window's next frame, and on each
// notice for the next one, while a flush is expected or waits for its
// frame. Asking only after the flush would sometimes miss the very next
// frame: the server reckons "the next frame" from its own frame counter,
// which (on a virtual X server) already counts a frame that is half a
// refresh away. Following the frames beforehand costs one short notice per
// refresh, and only while the subject may start a picture.
class X11Presentation final : public QObject, public QAbstractNativeEventFilter, public PresentationFeedback {
public:
    X11Presentation(xcb_connection_t* connection, uint8_t opcode, const Clock& clock)
        : m_connection(connection), m_opcode(opcode), m_clock(clock) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~X11Presentation() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    void setFlushExpected(QWindow* window, bool expected) override {
        m_expected = expected && follow(window);
        askForNextFrame();
    }

    void afterFlush(QWindow* window, Done done) override {
        if (!follow(window)) return answerLater(std::move(done), unknown(QStringLiteral("no window")));
        // A round trip: once the server answers, it has carried out the
        // drawing sent before, so the flush is on the server, not in a buffer.
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        const int id = ++m_lastWaiting;
        m_waiting.append({id, m_clock.nanoseconds(), std::move(done)});
        askForNextFrame();
        QTimer::singleShot(kPresentationWaitMs, this, [this, id] {
            for (qsizetype i = 0; i < m_waiting.size(); ++i) {
                if (m_waiting[i].id != id) continue;
                const Done late = m_waiting.takeAt(i).done;
                late(unknown(QStringLiteral("X11 Present sent no frame within %1 ms").arg(kPresentationWaitMs)));
                return;
            }
        });
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_GE_GENERIC) return false;
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (generic->extension != m_opcode || generic->event_type != XCB_PRESENT_COMPLETE_NOTIFY) return false;
        const auto* notice = reinterpret_cast<const xcb_present_complete_notify_event_t*>(event);
        if (notice->event != m_eventId) return false;
        m_asked = false;
        FramePresentation frame;
        frame.known = true;
        frame.presentedNs = static_cast<qint64>(notice->ust) * 1000;
        frame.frame = notice->msc;
        frame.mode = notice->mode < std::size(kModes) ? QLatin1String(kModes[notice->mode])
                                                      : QStringLiteral("mode %1").arg(notice->mode);
        frame.source = QStringLiteral("X11 Present");
        // The frame shows every flush the server had carried out before it.
        QList<Done> shown;
        for (qsizetype i = 0; i < m_waiting.size();) {
            if (m_waiting[i].flushedNs <= frame.presentedNs)
                shown.append(m_waiting.takeAt(i).done);
            else
                ++i;
        }
        askForNextFrame();
        for (Done& done : shown) answerLater(std::move(done), frame);
        return true;
    }

private:
    struct Waiting {
        int id;
        qint64 flushedNs;
        Done done;
    };

    // Selects the Present notices of the window; false when it has no native window.
    bool follow(QWindow* window) {
        if (!window || !window->handle()) return false;
        const auto id = static_cast<xcb_window_t>(window->winId());
        if (id == m_window) return true;
        m_window = id;
        m_eventId = xcb_generate_id(m_connection);
        m_asked = false;
        xcb_present_select_input(m_connection, m_eventId, m_window, XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY);
        return true;
    }

    // A notice at the next frame after the server's present one (a divisor
    // of 1 never answers at once, with a time that is not a frame's).
    void askForNextFrame() {
        if (m_asked || !m_window || (!m_expected && m_waiting.isEmpty())) return;
        xcb_present_notify_msc(m_connection, m_window, ++m_serial, 0, 1, 0);
        xcb_flush(m_connection);
        m_asked = true;
    }

    xcb_connection_t* m_connection;
    uint8_t m_opcode;
    const Clock& m_clock;
    xcb_window_t m_window = 0;
    uint32_t m_eventId = 0;
    uint32_t m_serial = 0;
    bool m_asked = false;
    bool m_expected = false;
    int m_lastWaiting = 0;
    QList<Waiting> m_waiting;
};

#endif

}  // namespace

std::unique_ptr<PresentationFeedback> makePresentationFeedback([[maybe_unused]] const Clock& clock) {
    const QString platform = QGuiApplication::platformName();
#ifdef PICTOR_USE_X11_PRESENT
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_connection_t* connection = x11->connection();
        const xcb_query_extension_reply_t* present = xcb_get_extension_data(connection, &xcb_present_id);
        if (!present || !present->present)
            return std::make_unique<NoPresentation>(QStringLiteral("the X server has no Present extension"));
        return std::make_unique<X11Presentation>(connection, present->major_opcode, clock);
    }
#endif
    if (platform.startsWith(QLatin1String("wayland")))
        return std::make_unique<NoPresentation>(
            QStringLiteral("Wayland: this build of Pictor does not use the presentation-time protocol"));
    return std::make_unique<NoPresentation>(
        QStringLiteral("the %1 platform reports no presented frames").arg(platform));
}
