#pragma once

// Turns the subject's four settings into a random picture. Phase one thins
// the pools of kinds, sizes and colours to the allowed number and chooses
// every object's kind, size and colour; phase two places each object in the
// region of its kind and draws it. The order of the random draws is fixed:
// thinning (kinds, sizes, colours), then per object kind, size and colour,
// then per object X and Y.

#include "platform/canvas.h"
#include "platform/random_source.h"

#include <QList>
#include <array>
#include <cstdint>

struct CompositionSettings {
    int objects = 6;  // 1..12
    int shapes = 6;
    int sizes = 6;
    int colours = 6;
};

struct ComposedObject {
    int kind = 0;
    double size = 0;
    std::uint32_t colour = 0;
};

// One object as drawn and recorded: kind, X, Y, drawn size, colour.
struct PlacedObject {
    int kind = 0;
    float x = 0;
    float y = 0;
    double size = 0;
    std::uint32_t colour = 0;
};

class Composer {
public:
    static const std::array<std::uint32_t, 12> kColours;

    explicit Composer(RandomSource& random) : m_random(random) {}

    // Phase one. REQUIRES: every setting in 1..12.
    QList<ComposedObject> compose(const CompositionSettings& settings);

    // Phase two for one object: X, then Y, then the drawing.
    PlacedObject placeAndDraw(const ComposedObject& object, Canvas& canvas);

private:
    template <typename T>
    void thin(std::array<T, 13>& pool, int keep);
    template <typename T>
    T drawSurviving(const std::array<T, 13>& pool);

    RandomSource& m_random;
};
