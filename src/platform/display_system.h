#pragma once

// What a session needs from the window system besides its own windows: the
// screen kept on while the subject works, and who manages and composites
// the windows, for the session record. SystemDisplay asks X11 through xcb
// where Qt runs on it and the desktop's session bus where there is one;
// whatever the system does not offer is left out, and the record shows
// what was used. Tests put a fake in.

#include <QStringList>
#include <memory>
#include <optional>

class QObject;

class DisplaySystem {
public:
    virtual ~DisplaySystem() = default;

    // Holds off the screen saver and display power saving until
    // releaseScreen(), or until the process ends: the system drops a dead
    // program's hold itself. Returns the means used, empty when none.
    virtual QStringList holdScreenOn() = 0;
    virtual void releaseScreen() = 0;

    // The window manager's own name, empty when the system does not say.
    virtual QString windowManagerName() const = 0;
    // Whether a compositor runs; nothing when the system cannot tell.
    virtual std::optional<bool> compositorRunning() const = 0;
};

class SystemDisplay final : public DisplaySystem {
public:
    SystemDisplay();
    ~SystemDisplay() override;

    QStringList holdScreenOn() override;
    void releaseScreen() override;
    QString windowManagerName() const override;
    std::optional<bool> compositorRunning() const override;

private:
    std::unique_ptr<QObject> m_context;  // owns the pending session-bus call
    bool m_suspended = false;            // the X server's screen saver
    bool m_inhibiting = false;
    quint32 m_cookie = 0;  // the session bus's inhibition, once granted
};
