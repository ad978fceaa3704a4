#pragma once

// The drawing surface of pictures, on anything a QPainter can paint. Canvas
// units map to pixels at the picture box's layout scale: a unit is 15.8625
// twips and a pixel 15 twips, so a unit is 1.0575 pixels and the composed
// pictures, up to about 440 x 355 units, just fill the picture box. Pen widths are in pixels. A scale above 1
// makes everything, pens included, that many times larger, for print.
//
// ImageCanvas draws into a QImage without smoothing, so what the screen
// shows, what the data tool writes and what tests check are the same pixels.

#include "platform/canvas.h"
#include "platform/units.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <functional>

class QPainter;

class PainterCanvas : public Canvas {
public:
    static constexpr double kTwipsPerUnit = 15.8625;
    static constexpr double kPixelsPerUnit = kTwipsPerUnit / kTwipsPerPixel;

    // REQUIRES: scale > 0.
    explicit PainterCanvas(double scale);

    double scale() const { return m_scale; }
    QPointF toPixels(CanvasPoint p) const;

    void setPenWidth(int pixels) override { m_penWidth = pixels; }
    void setFillColour(QRgb colour) override { m_fillColour = colour; }
    void setFillStyle(FillStyle style) override { m_fillStyle = style; }
    void segment(CanvasPoint p1, CanvasPoint p2, QRgb colour) override;
    void continueTo(CanvasPoint p2, QRgb colour) override;
    void box(CanvasPoint corner, float width, float height, QRgb colour, BoxFill fill) override;
    void ellipse(CanvasPoint centre, float radius, QRgb colour, float aspect) override;

protected:
    // Runs `draw` with a painter on the surface; `touched` is a rectangle, in
    // pixels, that holds everything the drawing may change.
    virtual void paint(const QRectF& touched, const std::function<void(QPainter&)>& draw) = 0;
    void resetCurrentPoint() { m_current = CanvasPoint{}; }

private:
    double m_scale;
    int m_penWidth = 1;
    QRgb m_fillColour = 0;
    FillStyle m_fillStyle = FillStyle::Transparent;
    CanvasPoint m_current;
};

class ImageCanvas final : public PainterCanvas {
public:
    ImageCanvas(QSize pixels, QColor background, double scale = 1.0);

    const QImage& image() const { return m_image; }
    // Pixels drawn on since the last clear (empty when none).
    QRect touched() const { return m_touched; }

    void clear() override;

private:
    void paint(const QRectF& touched, const std::function<void(QPainter&)>& draw) override;

    QImage m_image;
    QColor m_background;
    QRect m_touched;
};
