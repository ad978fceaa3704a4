#pragma once

// Stored pictures drawn again, by the same figure drawing as the main
// screen, on the picture box's inside (471 x 375 pixels at scale 1) and its
// background. Replayed is what a Judge Art session shows: the stored drawn
// size goes through the drawing once more. Made is what the subject saw in
// Make Art: each kind's size factor is undone first, so the composed size
// is drawn.

#include "core/picture.h"
#include "platform/canvas.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

enum class Drawn { Replayed, Made };

void drawPicture(Canvas& canvas, const Picture& picture, Drawn drawn);

// REQUIRES: scale > 0.
QImage renderPicture(const Picture& picture, Drawn drawn, double scale = 1.0);

// The picture as an SVG document of vector shapes.
QByteArray svgPicture(const Picture& picture, Drawn drawn, double scale, const QString& title);

// PNG without anything that changes from run to run.
QByteArray pngImage(const QImage& image);
