#pragma once

// Objective measures of a picture, from its drawing at scale 1 and from its
// stored numbers. A picture is measured as made (what the subject rated in
// Make Art) and as replayed (what a Judge Art session showed): kinds 2, 3,
// 4, 11 and 12 come back smaller. The mask is every pixel that differs from
// the background. README.md ("Picture measures") gives each formula and
// where it comes from.
//
// The pictures are flat colours, so a drawing is taken apart once into runs
// of one colour per row and every measure is counted on the runs: edges and
// contours exist only where the colour changes. Each object is drawn alone
// once, on a canvas of another colour than its own, and the picture is put
// together from those drawings in the drawing order, so the pixels covered
// alone and the pixels still seen come with the picture.

#include "analysis/picture_render.h"
#include "core/picture.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <functional>
#include <optional>

struct ImageMeasures {
    qint64 pixels = 0;
    qint64 maskPixels = 0;
    double coverage = 0;       // mask pixels / pixels
    double meanLightness = 0;  // mean CIELAB L* of all pixels
    double rmsContrast = 0;    // population standard deviation of L*
    double edgeDensity = 0;    // pixels with a neighbour (of the eight around) of another colour / pixels
    // These need a mask; empty for an empty picture.
    std::optional<double> balance;           // centre of mass to canvas centre / half the diagonal
    std::optional<double> symmetryLR;        // intersection over union with the left-right mirror image
    std::optional<double> symmetryUD;        // the same for the up-down mirror image
    std::optional<double> fractalDimension;  // box counting of the mask's boundary
};

// One drawing of a picture.
struct DrawingMeasures {
    ImageMeasures image;
    qint64 objectArea = 0;          // sum of each drawn object's pixels, drawn alone
    std::optional<double> overlap;  // 1 - mask pixels / objectArea; empty without objects
    QList<qint64> alone;            // per stored object: its pixels drawn alone (0 if not drawn)
    QList<qint64> visible;          // per stored object: its pixels still seen in the picture
};

struct PictureMeasures {
    int objectCount = 0;    // as stored, records of other kinds included
    int distinctKinds = 0;  // among the drawn objects
    int distinctSizes = 0;  // composed sizes (13, 21, ...) among the drawn objects
    int distinctColours = 0;
    DrawingMeasures made;
    DrawingMeasures replayed;

    const DrawingMeasures& drawing(Drawn drawn) const { return drawn == Drawn::Made ? made : replayed; }
};

// CIELAB L* of an sRGB colour (D65 white).
double lightness(QRgb colour);

ImageMeasures measureImage(const QImage& image, QColor background);

PictureMeasures measurePicture(const Picture& picture);

// Measures the pictures on all cores; `progress` is called now and then on
// the calling thread with the number done. An interruption (Ctrl-C) stops
// the work early; the caller asks interruptRequested().
QList<PictureMeasures> measureAll(const QList<const Picture*>& pictures,
                                  const std::function<void(int done)>& progress = {});
