#include "analysis/picture_render.h"

#include "core/figure.h"
#include "platform/painter_canvas.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>
#include <cmath>

double composedSize(const StoredObject& object) {
    const double size = object.size / kindSizeFactor(object.kind);
    // 9.1 / 0.7 is 13.000000000000002: the composed sizes are whole numbers.
    const double whole = std::round(size);
    return std::fabs(size - whole) < 1e-6 * std::max(1.0, whole) ? whole : size;
}

void drawPicture(Canvas& canvas, const StoredPicture& picture, Drawn drawn) {
    for (const StoredObject& o : picture.objects) {
        if (!o.drawn()) continue;
        DrawFigure(canvas, o.kind, o.x, o.y, drawn == Drawn::Made ? composedSize(o) : o.size, o.colour);
    }
}

QImage renderPicture(const StoredPicture& picture, Drawn drawn, double scale) {
    const QSize size(qRound(PainterCanvas::kWidth * scale), qRound(PainterCanvas::kHeight * scale));
    ImageCanvas canvas(size, kPictureBackground, scale);
    drawPicture(canvas, picture, drawn);
    return canvas.image();
}

namespace {

// Draws into an SVG document with one painter from start to end.
class SvgCanvas final : public PainterCanvas {
public:
    SvgCanvas(QIODevice* device, double scale, const QString& title) : PainterCanvas(scale) {
        const QSize size(qRound(kWidth * scale), qRound(kHeight * scale));
        m_svg.setOutputDevice(device);
        m_svg.setSize(size);
        m_svg.setViewBox(QRect(QPoint(0, 0), size));
        m_svg.setTitle(title);
        m_svg.setDescription(QStringLiteral("Drawn by pictor-data"));
        m_painter.begin(&m_svg);
        clear();
    }
    ~SvgCanvas() override { m_painter.end(); }

    void clear() override {
        m_painter.fillRect(QRect(QPoint(0, 0), m_svg.size()), kPictureBackground);
        resetCurrentPoint();
    }

private:
    void paint(const QRectF&, const std::function<void(QPainter&)>& draw) override {
        m_painter.save();
        draw(m_painter);
        m_painter.restore();
    }

    QSvgGenerator m_svg;
    QPainter m_painter;
};

}  // namespace

QByteArray svgPicture(const StoredPicture& picture, Drawn drawn, double scale, const QString& title) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        SvgCanvas canvas(&buffer, scale, title);
        drawPicture(canvas, picture, drawn);
    }
    return buffer.data();
}

QByteArray pngImage(const QImage& image) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}
