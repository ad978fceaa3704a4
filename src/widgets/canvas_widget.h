#pragma once

// The picture box of the main screen. It draws into an ImageCanvas held
// inside a sunken border, and paintEvent only copies that image, so what was
// drawn stays until the next clear and tests can read the pixels without a
// display. The image has the screen's own resolution: on a scaled desktop
// the picture keeps its geometry in layout pixels and is drawn sharp, not
// enlarged from a small image.

#include "platform/canvas.h"
#include "platform/painter_canvas.h"

#include <QWidget>
#include <memory>

class CanvasWidget final : public QWidget, public Canvas {
    Q_OBJECT
public:
    static constexpr int kBorder = 2;

    CanvasWidget(QSize outerPixels, QColor background, QWidget* parent = nullptr);

    const QImage& image() const { return m_canvas.image(); }

    void clear() override;
    void setPenWidth(int pixels) override { m_canvas.setPenWidth(pixels); }
    void setFillColour(QRgb colour) override { m_canvas.setFillColour(colour); }
    void setFillStyle(FillStyle style) override { m_canvas.setFillStyle(style); }
    void segment(CanvasPoint p1, CanvasPoint p2, QRgb colour) override;
    void continueTo(CanvasPoint p2, QRgb colour) override;
    void box(CanvasPoint corner, float width, float height, QRgb colour, BoxFill fill) override;
    void ellipse(CanvasPoint centre, float radius, QRgb colour, float aspect) override;

signals:
    // Emitted after a paint event has copied the image to the screen.
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // A new image when the screen's pixel ratio is not the image's; true then.
    bool matchScreen();

    QColor m_background;
    ImageCanvas m_canvas;
};
