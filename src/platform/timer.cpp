#include "platform/timer.h"

QtTimer::QtTimer() {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (onTimeout) onTimeout();
    });
}
