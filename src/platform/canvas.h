#pragma once

// The drawing operations the figure drawing needs from the picture surface.
// Coordinates are canvas units handed over as 32-bit floats; colours are
// RGB values. The surface keeps its pen width, fill settings and current
// point between calls. ImageCanvas is the real surface; tests record the
// calls instead.

#include <QRgb>

struct CanvasPoint {
    float x = 0;
    float y = 0;
    friend bool operator==(const CanvasPoint&, const CanvasPoint&) = default;
};

enum class FillStyle { Solid, Transparent };
enum class BoxFill { Outline, Filled };

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void clear() = 0;
    virtual void setPenWidth(int pixels) = 0;
    virtual void setFillColour(QRgb colour) = 0;
    virtual void setFillStyle(FillStyle style) = 0;
    // Stroke from p1 to p2; p2 becomes the current point.
    virtual void segment(CanvasPoint p1, CanvasPoint p2, QRgb colour) = 0;
    // Stroke from the current point to p2; p2 becomes the current point.
    virtual void continueTo(CanvasPoint p2, QRgb colour) = 0;
    // Outline: interior per fill style. Filled: interior in colour whatever the style.
    virtual void box(CanvasPoint corner, float width, float height, QRgb colour, BoxFill fill) = 0;
    // Aspect 1 is a circle of radius r; below 1 the vertical radius is aspect * r,
    // above 1 the horizontal radius is r / aspect.
    virtual void ellipse(CanvasPoint centre, float radius, QRgb colour, float aspect) = 0;
};
