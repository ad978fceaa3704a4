#include "core/figure.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Nearest whole pixel, halves to even, kept within what a pen can take.
int penWidth(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= 0.0)) return 0;
    if (rounded > 32767.0) return 32767;
    return static_cast<int>(rounded);
}

CanvasPoint at(double x, double y) { return {static_cast<float>(x), static_cast<float>(y)}; }

}  // namespace

double kindSizeFactor(int kind) {
    switch (kind) {
    case 2: return 0.7;
    case 3: return 0.8;
    case 4: return 0.5;
    case 11:
    case 12: return 0.9;
    default: return 1.0;
    }
}

double composedSize(const PictureObject& stored) {
    const double size = stored.size / kindSizeFactor(stored.kind);
    // 9.1 / 0.7 is 13.000000000000002: the composed sizes are whole numbers.
    const double whole = std::round(size);
    return std::fabs(size - whole) < 1e-6 * std::max(1.0, whole) ? whole : size;
}

double drawFigure(Canvas& canvas, const PictureObject& object) {
    const int kind = object.kind;
    const double size = object.size;
    if (!object.drawn()) return size;
    const QRgb colour = rgbOfStoredColour(object.colour);

    int pen = 2;
    if (kind == 2) pen = penWidth(size / 3.0);
    if (kind == 4) pen = penWidth(size / 1.8);
    canvas.setPenWidth(pen);
    const double s = size * kindSizeFactor(kind);

    if (kind >= 5) {
        canvas.setFillColour(colour);
        canvas.setFillStyle(kind % 2 == 1 ? FillStyle::Transparent : FillStyle::Solid);
    }

    const double x = object.x;
    const double y = object.y;
    switch (kind) {
    case 1:
    case 2:
        canvas.segment(at(x, y), at(x, y + s), colour);
        canvas.segment(at(x, y + s), at(x + s / 2, y + s / 2), colour);
        canvas.segment(at(x + s / 2, y + s / 2), at(x, y), colour);
        break;
    case 3:
    case 4:
        canvas.segment(at(x, y), at(x + s, y), colour);
        canvas.continueTo(at(x - s / 2, y - s), colour);
        canvas.continueTo(at(x - 2 * s, y), colour);
        canvas.continueTo(at(x, y), colour);
        break;
    case 5:
    case 6: canvas.ellipse(at(x, y), static_cast<float>(s / 2), colour, 1.0f); break;
    case 7:
    case 8: canvas.ellipse(at(x, y), static_cast<float>(s / 2), colour, 0.35f); break;
    case 9:
    case 10:
        canvas.box(at(x, y), static_cast<float>(s), static_cast<float>(s), colour,
                   kind == 9 ? BoxFill::Outline : BoxFill::Filled);
        break;
    default:  // 11, 12
        canvas.box(at(x, y), static_cast<float>(s), static_cast<float>(s + 0.6 * s), colour,
                   kind == 11 ? BoxFill::Outline : BoxFill::Filled);
        break;
    }
    return s;
}
