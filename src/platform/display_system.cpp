#include "platform/display_system.h"

#include <QtGui/qguiapplication_platform.h>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>

#include <xcb/dpms.h>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const QString kSaverService = QStringLiteral("org.freedesktop.ScreenSaver");

xcb_connection_t* x11() {
    const auto* native = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return native ? native->connection() : nullptr;
}

// An xcb reply, freed with the pointer.
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T>
Reply<T> reply(T* raw) {
    return Reply<T>(raw, &std::free);
}

bool hasExtension(xcb_connection_t* c, xcb_extension_t* extension) {
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(c, extension);
    return data && data->present;
}

xcb_atom_t atom(xcb_connection_t* c, const QByteArray& name) {
    const auto r = reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<uint16_t>(name.size()), name.constData()), nullptr));
    return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
}

QByteArray property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
    const auto r =
        reply(xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 1024), nullptr));
    if (!r || r->type == XCB_ATOM_NONE) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(r.get())),
                      xcb_get_property_value_length(r.get()));
}

QDBusMessage saverCall(const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        kSaverService, QStringLiteral("/org/freedesktop/ScreenSaver"), kSaverService, method);
    call.setArguments(arguments);
    return call;
}

}  // namespace

SystemDisplay::SystemDisplay() : m_context(std::make_unique<QObject>()) {}

SystemDisplay::~SystemDisplay() { releaseScreen(); }

QStringList SystemDisplay::holdScreenOn() {
    QStringList means;
    if (xcb_connection_t* c = x11()) {
        if (!m_suspended && hasExtension(c, &xcb_screensaver_id)) {
            // The server ends a client's suspension when its connection
            // closes, so a program that dies leaves no hold behind.
            xcb_screensaver_suspend(c, 1);
            m_suspended = true;
        }
        if (m_suspended) {
            xcb_force_screen_saver(c, XCB_SCREEN_SAVER_RESET);  // a saver already on goes off for the subject
            means << QStringLiteral("MIT-SCREEN-SAVER suspend");
        }
        if (hasExtension(c, &xcb_dpms_id)) {
            // The suspension also stops the power-saving timers; a display
            // already dimmed or off is woken for the subject.
            const auto info = reply(xcb_dpms_info_reply(c, xcb_dpms_info(c), nullptr));
            if (info && info->state && info->power_level != XCB_DPMS_DPMS_MODE_ON)
                xcb_dpms_force_level(c, XCB_DPMS_DPMS_MODE_ON);
            means << QStringLiteral("DPMS");
        }
        xcb_flush(c);
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!m_inhibiting && bus.isConnected() && bus.interface()->isServiceRegistered(kSaverService)) {
        // Asked without waiting; the service drops the inhibition of a
        // program whose connection closes.
        m_inhibiting = true;
        auto* watcher = new QDBusPendingCallWatcher(
            bus.asyncCall(
                saverCall(QStringLiteral("Inhibit"),
                          {QStringLiteral("Pictor"), QStringLiteral("An experimental session is running")})),
            m_context.get());
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, m_context.get(), [this, watcher] {
            const QDBusPendingReply<quint32> answer = *watcher;
            watcher->deleteLater();
            if (answer.isError()) return;
            if (m_inhibiting)
                m_cookie = answer.value();
            else  // released before the answer came
                QDBusConnection::sessionBus().send(saverCall(QStringLiteral("UnInhibit"), {answer.value()}));
        });
    }
    if (m_inhibiting) means << kSaverService;
    return means;
}

void SystemDisplay::releaseScreen() {
    if (m_suspended) {
        if (xcb_connection_t* c = x11()) {
            xcb_screensaver_suspend(c, 0);
            xcb_flush(c);
        }
        m_suspended = false;
    }
    m_inhibiting = false;
    if (m_cookie != 0) {
        QDBusConnection::sessionBus().send(saverCall(QStringLiteral("UnInhibit"), {m_cookie}));
        m_cookie = 0;
    }
}

QString SystemDisplay::windowManagerName() const {
    xcb_connection_t* c = x11();
    if (!c) return {};
    // A window manager of the desktop standards names itself on a window
    // that the root window points to.
    const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t name = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it)) {
        const QByteArray child = property(c, it.data->root, check, XCB_ATOM_WINDOW);
        xcb_window_t holder = XCB_WINDOW_NONE;
        if (child.size() != sizeof holder) continue;
        std::memcpy(&holder, child.constData(), sizeof holder);
        const QByteArray text = property(c, holder, name, utf8);
        if (!text.isEmpty()) return QString::fromUtf8(text);
    }
    return {};
}

std::optional<bool> SystemDisplay::compositorRunning() const {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return true;
    xcb_connection_t* c = x11();
    if (!c) return std::nullopt;
    // A compositing manager owns the selection _NET_WM_CM_S<screen>.
    int screen = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it), ++screen) {
        const xcb_atom_t selection = atom(c, "_NET_WM_CM_S" + QByteArray::number(screen));
        const auto owner =
            reply(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
        if (owner && owner->owner != XCB_WINDOW_NONE) return true;
    }
    return false;
}
