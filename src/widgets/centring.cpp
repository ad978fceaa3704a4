#include "widgets/centring.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    const QSize outer = window->frameGeometry().size();
    const float left = static_cast<float>(area.width() - outer.width()) / 2.0f;
    const float top = static_cast<float>(area.height() - outer.height()) / 2.0f;
    window->move(area.left() + static_cast<int>(left), area.top() + static_cast<int>(top));
}

namespace {

class FrameWatch final : public QObject {
public:
    explicit FrameWatch(QWidget* window) : QObject(window), m_window(window) {
        centre();
        window->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) &&
            m_window->frameGeometry().size() != m_frame) {
            centre();
            if (m_frame != m_window->size()) {
                // Framed: this was the last centring. A move by the person
                // at the desk stays where they put it.
                m_window->removeEventFilter(this);
                deleteLater();
            }
        }
        return false;
    }

private:
    void centre() {
        centreOnScreen(m_window);
        m_frame = m_window->frameGeometry().size();
    }

    QWidget* m_window;
    QSize m_frame;
};

}  // namespace

void keepCentred(QWidget* window) { new FrameWatch(window); }
