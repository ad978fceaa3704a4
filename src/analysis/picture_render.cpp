#include "analysis/picture_render.h"

#include "core/figure.h"
#include "platform/painter_canvas.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>
#include <cmath>

void drawPicture(Canvas& canvas, const Picture& picture, Drawn drawn) {
    for (PictureObject o : picture.objects) {
        if (drawn == Drawn::Made) o.size = composedSize(o);
        drawFigure(canvas, o);
    }
}

QImage renderPicture(const Picture& picture, Drawn drawn, double scale) {
    const QSize size(qRound(kPictureSize.width() * scale), qRound(kPictureSize.height() * scale));
    ImageCanvas canvas(size, QColor(kPictureGrey), scale);
    drawPicture(canvas, picture, drawn);
    return canvas.image();
}

namespace {

// Draws into an SVG document with one painter from start to end.
class SvgCanvas final : public PainterCanvas {
public:
    SvgCanvas(QIODevice* device, double scale, const QString& title) : PainterCanvas(scale) {
        const QSize size(qRound(kPictureSize.width() * scale), qRound(kPictureSize.height() * scale));
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
        m_painter.fillRect(QRect(QPoint(0, 0), m_svg.size()), QColor(kPictureGrey));
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

QByteArray svgPicture(const Picture& picture, Drawn drawn, double scale, const QString& title) {
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
