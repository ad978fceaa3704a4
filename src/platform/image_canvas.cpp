#include "platform/image_canvas.h"

#include "platform/colour.h"

#include <QPainter>
#include <QPen>

namespace {

QPen strokePen(std::uint32_t colour, int width) {
    QPen pen(colourFromValue(colour));
    pen.setWidth(width < 0 ? 0 : width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

}  // namespace

ImageCanvas::ImageCanvas(QSize pixels, QColor background)
    : m_image(pixels, QImage::Format_RGB32), m_background(background) {
    m_image.fill(m_background);
}

QPointF ImageCanvas::toPixels(CanvasPoint p) const {
    return QPointF(static_cast<double>(p.x) * kPixelsPerUnit, static_cast<double>(p.y) * kPixelsPerUnit);
}

void ImageCanvas::clear() {
    m_image.fill(m_background);
    m_current = CanvasPoint{};
}

void ImageCanvas::segment(CanvasPoint p1, CanvasPoint p2, std::uint32_t colour) {
    QPainter painter(&m_image);
    painter.setPen(strokePen(colour, m_penWidth));
    painter.drawLine(toPixels(p1), toPixels(p2));
    m_current = p2;
}

void ImageCanvas::continueTo(CanvasPoint p2, std::uint32_t colour) { segment(m_current, p2, colour); }

void ImageCanvas::box(CanvasPoint corner, float width, float height, std::uint32_t colour, BoxFill fill) {
    QPainter painter(&m_image);
    painter.setPen(strokePen(colour, m_penWidth));
    if (fill == BoxFill::Filled) {
        painter.setBrush(colourFromValue(colour));
    } else if (m_fillStyle == FillStyle::Solid) {
        painter.setBrush(colourFromValue(m_fillColour));
    } else {
        painter.setBrush(Qt::NoBrush);
    }
    const QPointF a = toPixels(corner);
    const QPointF b = toPixels(CanvasPoint{corner.x + width, corner.y + height});
    painter.drawRect(QRectF(a, b).normalized());
}

void ImageCanvas::ellipse(CanvasPoint centre, float radius, std::uint32_t colour, float aspect) {
    double rx = radius;
    double ry = radius;
    if (aspect < 1.0f) {
        ry = static_cast<double>(aspect) * radius;
    } else if (aspect > 1.0f) {
        rx = radius / static_cast<double>(aspect);
    }
    QPainter painter(&m_image);
    painter.setPen(strokePen(colour, m_penWidth));
    painter.setBrush(m_fillStyle == FillStyle::Solid ? QBrush(colourFromValue(m_fillColour))
                                                     : QBrush(Qt::NoBrush));
    painter.drawEllipse(toPixels(centre), rx * kPixelsPerUnit, ry * kPixelsPerUnit);
}
