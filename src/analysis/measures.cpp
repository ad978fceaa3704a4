#include "analysis/measures.h"

#include "analysis/picture_render.h"
#include "core/figure.h"
#include "platform/painter_canvas.h"

#include <QHash>
#include <QSet>
#include <cmath>
#include <vector>

double lightness(QRgb colour) {
    // sRGB (IEC 61966-2-1) to linear light, relative luminance Y, then L*
    // (CIE 15:2004) with Y of white = 1.
    auto linear = [](int c) {
        const double v = c / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const double y = 0.2126729 * linear(qRed(colour)) + 0.7151522 * linear(qGreen(colour)) +
                     0.0721750 * linear(qBlue(colour));
    constexpr double epsilon = 216.0 / 24389.0;
    constexpr double kappa = 24389.0 / 27.0;
    return y > epsilon ? 116.0 * std::cbrt(y) - 16.0 : kappa * y;
}

namespace {

std::optional<double> boxCountingDimension(const std::vector<bool>& mask, int w, int h) {
    // The boundary: mask pixels with a neighbour (left, right, up, down)
    // outside the mask or outside the image.
    auto in = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && mask[static_cast<size_t>(y) * w + x];
    };
    std::vector<std::pair<int, int>> boundary;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (in(x, y) && (!in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1)))
                boundary.push_back({x, y});
    if (boundary.empty()) return std::nullopt;
    // Boxes of 2 to 128 pixels on a grid from the top-left corner; the slope
    // of log N(s) against log (1/s) by least squares.
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    int n = 0;
    for (int s = 2; s <= 128; s *= 2) {
        const int columns = (w + s - 1) / s;
        std::vector<bool> hit(static_cast<size_t>(columns) * ((h + s - 1) / s), false);
        long boxes = 0;
        for (const auto& [x, y] : boundary) {
            const size_t box = static_cast<size_t>(y / s) * columns + x / s;
            if (!hit[box]) {
                hit[box] = true;
                ++boxes;
            }
        }
        const double lx = std::log(1.0 / s), ly = std::log(static_cast<double>(boxes));
        sx += lx;
        sy += ly;
        sxx += lx * lx;
        sxy += lx * ly;
        ++n;
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

}  // namespace

ImageMeasures measureImage(const QImage& source, QColor background) {
    const QImage image =
        source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    const QRgb bg = background.rgb() & 0xFFFFFF;
    ImageMeasures m;
    m.pixels = static_cast<qint64>(w) * h;
    if (m.pixels == 0) return m;
    std::vector<bool> mask(static_cast<size_t>(m.pixels));
    std::vector<double> lstar(static_cast<size_t>(m.pixels));
    QHash<QRgb, double> known;
    QRgb last = 0xFFFFFFFF;
    double lastL = 0;
    double sumL = 0, sumL2 = 0, sumX = 0, sumY = 0;
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb c = row[x] & 0xFFFFFF;
            if (c != last) {
                auto it = known.find(c);
                if (it == known.end()) it = known.insert(c, lightness(c));
                last = c;
                lastL = *it;
            }
            const size_t i = static_cast<size_t>(y) * w + x;
            lstar[i] = lastL;
            sumL += lastL;
            sumL2 += lastL * lastL;
            if (c != bg) {
                mask[i] = true;
                ++m.maskPixels;
                sumX += x + 0.5;
                sumY += y + 0.5;
            }
        }
    }
    m.coverage = static_cast<double>(m.maskPixels) / m.pixels;
    m.meanLightness = sumL / m.pixels;
    m.rmsContrast = std::sqrt(std::max(0.0, sumL2 / m.pixels - m.meanLightness * m.meanLightness));

    long edges = 0;
    auto L = [&](int x, int y) {
        return lstar[static_cast<size_t>(std::clamp(y, 0, h - 1)) * w + std::clamp(x, 0, w - 1)];
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double gx = (L(x + 1, y - 1) + 2 * L(x + 1, y) + L(x + 1, y + 1)) -
                              (L(x - 1, y - 1) + 2 * L(x - 1, y) + L(x - 1, y + 1));
            const double gy = (L(x - 1, y + 1) + 2 * L(x, y + 1) + L(x + 1, y + 1)) -
                              (L(x - 1, y - 1) + 2 * L(x, y - 1) + L(x + 1, y - 1));
            if (gx * gx + gy * gy > kEdgeThreshold * kEdgeThreshold) ++edges;
        }
    m.edgeDensity = static_cast<double>(edges) / m.pixels;

    if (m.maskPixels == 0) return m;
    const double dx = sumX / m.maskPixels - w / 2.0, dy = sumY / m.maskPixels - h / 2.0;
    m.balance = std::hypot(dx, dy) / (std::hypot(w, h) / 2.0);
    long lr = 0, ud = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!mask[static_cast<size_t>(y) * w + x]) continue;
            lr += mask[static_cast<size_t>(y) * w + (w - 1 - x)];
            ud += mask[static_cast<size_t>(h - 1 - y) * w + x];
        }
    // A mirror image has as many pixels as the mask: the union is 2|M| - |M and mirror|.
    m.symmetryLR = static_cast<double>(lr) / (2.0 * m.maskPixels - lr);
    m.symmetryUD = static_cast<double>(ud) / (2.0 * m.maskPixels - ud);
    m.fractalDimension = boxCountingDimension(mask, w, h);
    return m;
}

PictureMeasures measurePicture(const Picture& picture) {
    PictureMeasures m;
    m.image = measureImage(renderPicture(picture, Drawn::Replayed), QColor(kPictureGrey));
    m.objectCount = static_cast<int>(picture.objects.size());
    QSet<int> kinds;
    QSet<double> sizes;
    QSet<std::uint32_t> colours;
    ImageCanvas alone(kPictureSize, QColor(kPictureGrey));
    const QRgb bg = kPictureGrey;
    for (const PictureObject& o : picture.objects) {
        if (!o.drawn()) continue;
        kinds.insert(o.kind);
        sizes.insert(composedSize(o));
        colours.insert(o.colour);
        alone.clear();
        drawFigure(alone, o);
        const QRect r = alone.touched();
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(alone.image().constScanLine(y));
            for (int x = r.left(); x <= r.right(); ++x) m.objectArea += row[x] != bg;
        }
    }
    m.distinctKinds = static_cast<int>(kinds.size());
    m.distinctSizes = static_cast<int>(sizes.size());
    m.distinctColours = static_cast<int>(colours.size());
    if (m.objectArea > 0) m.overlap = 1.0 - static_cast<double>(m.image.maskPixels) / m.objectArea;
    return m;
}
