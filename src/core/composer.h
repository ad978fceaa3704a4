#pragma once

// Turns the subject's four settings into a random picture. Phase one thins
// the pools of kinds, sizes and colours to the allowed number and chooses
// every object's kind, size and colour; phase two places each object in the
// region of its kind and draws it. The order of the random draws is fixed:
// thinning (kinds, sizes, colours), then per object kind, size and colour,
// then per object X and Y.

#include "core/picture.h"
#include "platform/canvas.h"
#include "platform/random_source.h"

#include <QList>
#include <array>

class Composer {
public:
    explicit Composer(RandomSource& random) : m_random(random) {}

    // Phase one: each object's kind, composed size and colour.
    // REQUIRES: every setting in 1..12.
    QList<PictureObject> compose(const CompositionSettings& settings);

    // Phase two for one object: X, then Y, then the drawing. Returns the
    // object as the picture store records it, with its drawn size.
    PictureObject placeAndDraw(const PictureObject& composed, Canvas& canvas);

private:
    template <typename T>
    void thin(std::array<T, 13>& pool, int keep);
    template <typename T>
    T drawSurviving(const std::array<T, 13>& pool);

    RandomSource& m_random;
};
