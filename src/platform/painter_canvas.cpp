#include "platform/painter_canvas.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

PainterCanvas::PainterCanvas(double scale) : m_scale(scale) {}

QPointF PainterCanvas::toPixels(CanvasPoint p) const {
    const double k = kPixelsPerUnit * m_scale;
    return QPointF(static_cast<double>(p.x) * k, static_cast<double>(p.y) * k);
}

namespace {

QPen strokePen(QRgb colour, double width) {
    QPen pen{QColor(colour)};
    pen.setWidthF(width < 0 ? 0 : width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// The shape's own rectangle grown by the pen and a pixel of rounding.
QRectF grown(const QRectF& shape, double penWidth) {
    const double m = penWidth / 2 + 2;
    return shape.normalized().adjusted(-m, -m, m, m);
}

}  // namespace

void PainterCanvas::segment(CanvasPoint p1, CanvasPoint p2, QRgb colour) {
    const QPointF a = toPixels(p1);
    const QPointF b = toPixels(p2);
    const double pen = m_penWidth * m_scale;
    paint(grown(QRectF(a, b), pen), [&](QPainter& painter) {
        painter.setPen(strokePen(colour, pen));
        painter.drawLine(a, b);
    });
    m_current = p2;
}

void PainterCanvas::continueTo(CanvasPoint p2, QRgb colour) { segment(m_current, p2, colour); }

void PainterCanvas::box(CanvasPoint corner, float width, float height, QRgb colour, BoxFill fill) {
    const QRectF rect =
        QRectF(toPixels(corner), toPixels(CanvasPoint{corner.x + width, corner.y + height})).normalized();
    const double pen = m_penWidth * m_scale;
    paint(grown(rect, pen), [&](QPainter& painter) {
        painter.setPen(strokePen(colour, pen));
        if (fill == BoxFill::Filled)
            painter.setBrush(QColor(colour));
        else if (m_fillStyle == FillStyle::Solid)
            painter.setBrush(QColor(m_fillColour));
        else
            painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect);
    });
}

void PainterCanvas::ellipse(CanvasPoint centre, float radius, QRgb colour, float aspect) {
    double rx = radius;
    double ry = radius;
    if (aspect < 1.0f)
        ry = static_cast<double>(aspect) * radius;
    else if (aspect > 1.0f)
        rx = radius / static_cast<double>(aspect);
    const double k = kPixelsPerUnit * m_scale;
    const QPointF c = toPixels(centre);
    const QRectF rect(c.x() - rx * k, c.y() - ry * k, 2 * rx * k, 2 * ry * k);
    const double pen = m_penWidth * m_scale;
    paint(grown(rect, pen), [&](QPainter& painter) {
        painter.setPen(strokePen(colour, pen));
        painter.setBrush(m_fillStyle == FillStyle::Solid ? QBrush(QColor(m_fillColour))
                                                         : QBrush(Qt::NoBrush));
        painter.drawEllipse(c, rx * k, ry * k);
    });
}

ImageCanvas::ImageCanvas(QSize pixels, QColor background, double scale)
    : PainterCanvas(scale), m_image(pixels, QImage::Format_RGB32), m_background(background) {
    m_image.fill(m_background);
}

void ImageCanvas::clear() {
    // Only what was drawn on needs painting over, and a plain fill does it.
    const QRgb background = m_background.rgb();
    for (int y = m_touched.top(); y <= m_touched.bottom(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        std::fill(line + m_touched.left(), line + m_touched.right() + 1, background);
    }
    m_touched = QRect();
    resetCurrentPoint();
}

void ImageCanvas::paint(const QRectF& touched, const std::function<void(QPainter&)>& draw) {
    const QRectF safe = touched.isValid() ? touched : QRectF();
    // A shape too far away to express in pixels cannot touch the image.
    if (std::isfinite(safe.left()) && std::isfinite(safe.right()) && std::isfinite(safe.top()) &&
        std::isfinite(safe.bottom()))
        m_touched |= safe.toAlignedRect().intersected(m_image.rect());
    QPainter painter(&m_image);
    draw(painter);
}
