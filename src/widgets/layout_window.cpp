#include "widgets/layout_window.h"

#include <QPaintEvent>
#include <QPainter>

LayoutWindow::LayoutWindow(QColor background, QWidget* parent) : QWidget(parent), m_background(background) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LayoutWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), m_background);
}

#include "moc_layout_window.cpp"
