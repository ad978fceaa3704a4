#include "widgets/canvas_widget.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

CanvasWidget::CanvasWidget(QSize outerPixels, QColor background, QWidget* parent)
    : QWidget(parent),
      m_background(background),
      m_canvas(outerPixels - QSize(2 * kBorder, 2 * kBorder), background) {
    setFixedSize(outerPixels);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    matchScreen();
}

bool CanvasWidget::matchScreen() {
    const double ratio = devicePixelRatioF();
    if (ratio == m_canvas.scale()) return false;
    const QSizeF inner = QSizeF(size() - QSize(2 * kBorder, 2 * kBorder)) * ratio;
    m_canvas = ImageCanvas(inner.toSize(), m_background, ratio);
    return true;
}

void CanvasWidget::clear() {
    // Each picture starts with a clear: one made after a move to another screen suits that screen.
    if (!matchScreen()) m_canvas.clear();
    update();
}

void CanvasWidget::segment(CanvasPoint p1, CanvasPoint p2, QRgb colour) {
    m_canvas.segment(p1, p2, colour);
    update();
}

void CanvasWidget::continueTo(CanvasPoint p2, QRgb colour) {
    m_canvas.continueTo(p2, colour);
    update();
}

void CanvasWidget::box(CanvasPoint corner, float width, float height, QRgb colour, BoxFill fill) {
    m_canvas.box(corner, width, height, colour, fill);
    update();
}

void CanvasWidget::ellipse(CanvasPoint centre, float radius, QRgb colour, float aspect) {
    m_canvas.ellipse(centre, radius, colour, aspect);
    update();
}

void CanvasWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Sunken two-pixel border, darker at top and left.
    const QRect r = rect();
    painter.fillRect(r, palette().color(QPalette::Light));
    painter.fillRect(QRect(0, 0, r.width() - 1, 1), palette().color(QPalette::Mid));
    painter.fillRect(QRect(0, 0, 1, r.height() - 1), palette().color(QPalette::Mid));
    painter.fillRect(QRect(1, 1, r.width() - 3, 1), palette().color(QPalette::Shadow));
    painter.fillRect(QRect(1, 1, 1, r.height() - 3), palette().color(QPalette::Shadow));
    painter.drawImage(QRectF(kBorder, kBorder, m_canvas.image().width() / m_canvas.scale(),
                             m_canvas.image().height() / m_canvas.scale()),
                      m_canvas.image());
    emit painted();
}

#include "moc_canvas_widget.cpp"
