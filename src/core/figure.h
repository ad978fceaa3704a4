#pragma once

// Draws one object of a picture, made or replayed, from its five values:
// kind 1..12, reference point, size and colour. Returns the drawn size (the
// size after the kind's factor), which is what the picture store records.
// Kinds outside 1..12 draw nothing, change no canvas setting and return the
// size unchanged.

#include "core/picture.h"
#include "platform/canvas.h"

double drawFigure(Canvas& canvas, const PictureObject& object);

// The factor a kind applies to the size it is given.
double kindSizeFactor(int kind);

// The size the composer chose, from a stored (drawn) size: the kind's
// factor undone, so 9.1 for kind 2 gives 13.
double composedSize(const PictureObject& stored);
