#pragma once

// Objective measures of a picture as replayed, computed from its rendering
// at scale 1 and from its stored numbers. The mask is every pixel that
// differs from the background. README.md ("Analysing the data") gives
// each formula and where it comes from.

#include "core/picture.h"

#include <QColor>
#include <QImage>
#include <optional>

// A pixel is on an edge where the Sobel gradient of L* exceeds this: a step
// of more than 10 L* units between neighbours (a step of d gives 4d).
inline constexpr double kEdgeThreshold = 40.0;

struct ImageMeasures {
    qint64 pixels = 0;
    qint64 maskPixels = 0;
    double coverage = 0;       // mask pixels / pixels
    double meanLightness = 0;  // mean CIELAB L* of all pixels
    double rmsContrast = 0;    // population standard deviation of L*
    double edgeDensity = 0;    // fraction of pixels with a Sobel gradient of L* above kEdgeThreshold
    // These need a mask; empty for an empty picture.
    std::optional<double> balance;           // centre of mass to canvas centre / half the diagonal
    std::optional<double> symmetryLR;        // intersection over union with the left-right mirror image
    std::optional<double> symmetryUD;        // the same for the up-down mirror image
    std::optional<double> fractalDimension;  // box counting of the mask's boundary
};

struct PictureMeasures {
    ImageMeasures image;
    int objectCount = 0;    // as stored, records of other kinds included
    int distinctKinds = 0;  // among the drawn objects
    int distinctSizes = 0;  // composed sizes (13, 21, ...) among the drawn objects
    int distinctColours = 0;
    qint64 objectArea = 0;          // sum of each drawn object's pixels, drawn alone
    std::optional<double> overlap;  // 1 - mask pixels / objectArea; empty without objects
};

// CIELAB L* of an sRGB colour (D65 white).
double lightness(QRgb colour);

ImageMeasures measureImage(const QImage& image, QColor background);

PictureMeasures measurePicture(const Picture& picture);
