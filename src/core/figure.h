#pragma once

// Draws one object of a picture, made or replayed, from its five values:
// kind 1..12, reference point, size and colour. Returns the drawn size (the
// size after the kind's factor), which is what the picture store records.
// Kinds outside 1..12 draw nothing, change no canvas setting and return S.

#include "platform/canvas.h"

#include <cstdint>

double DrawFigure(Canvas& canvas, int kind, float x, float y, double size, std::uint32_t colour);

// The factor a kind applies to the size it is given.
double kindSizeFactor(int kind);
