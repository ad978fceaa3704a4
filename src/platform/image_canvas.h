#pragma once

// A canvas that draws into a QImage. Canvas units map to pixels at the
// picture's layout scale (15.8625 twips per unit at 15 twips per pixel), so
// the composed pictures, up to about 440 x 355 units, fit the window's
// picture box; pen widths stay in pixels. Nothing is smoothed, so tests can
// check exact pixels.

#include "platform/canvas.h"

#include <QColor>
#include <QImage>
#include <QPointF>

class ImageCanvas final : public Canvas {
public:
    static constexpr double kTwipsPerUnit = 15.8625;
    static constexpr double kPixelsPerUnit = 15.0 / kTwipsPerUnit;

    ImageCanvas(QSize pixels, QColor background);

    const QImage& image() const { return m_image; }
    QPointF toPixels(CanvasPoint p) const;

    void clear() override;
    void setPenWidth(int pixels) override { m_penWidth = pixels; }
    void setFillColour(std::uint32_t colour) override { m_fillColour = colour; }
    void setFillStyle(FillStyle style) override { m_fillStyle = style; }
    void segment(CanvasPoint p1, CanvasPoint p2, std::uint32_t colour) override;
    void continueTo(CanvasPoint p2, std::uint32_t colour) override;
    void box(CanvasPoint corner, float width, float height, std::uint32_t colour, BoxFill fill) override;
    void ellipse(CanvasPoint centre, float radius, std::uint32_t colour, float aspect) override;

private:
    QImage m_image;
    QColor m_background;
    int m_penWidth = 1;
    std::uint32_t m_fillColour = 0;
    FillStyle m_fillStyle = FillStyle::Transparent;
    CanvasPoint m_current;
};
