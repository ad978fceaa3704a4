#include "widgets/backdrop.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

Backdrop::Backdrop(QColor colour) : m_colour(colour) {}

Backdrop::~Backdrop() = default;

void Backdrop::show() {
    for (QScreen* screen : QGuiApplication::screens()) {
        auto window = std::make_unique<QWidget>(
            nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        window->setObjectName(QStringLiteral("backdrop"));
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->setAutoFillBackground(true);
        QPalette palette = window->palette();
        palette.setColor(QPalette::Window, m_colour);
        window->setPalette(palette);
        window->setScreen(screen);
        window->setGeometry(screen->geometry());
        window->setWindowState(Qt::WindowFullScreen);  // not showFullScreen(), which would take the focus
        window->show();
        m_windows.push_back(std::move(window));
    }
}

void Backdrop::keepAbove(QWidget* window) {
    for (const auto& backdrop : m_windows) {
        if (backdrop->screen() != window->screen()) continue;
        // Qt gives X11 windows of the dialog type their transient hint.
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
        window->winId();
        window->windowHandle()->setTransientParent(backdrop->windowHandle());
    }
}
