#include "core/composer.h"

#include "core/figure.h"

#include <algorithm>

namespace {

struct Region {
    int x;
    int y;
};

Region regionOf(int kind) {
    if (kind <= 2) return {50, 50};
    if (kind <= 4) return {160, 80};
    if (kind <= 8) return {70, 100};
    if (kind <= 10) return {40, 50};
    return {40, 10};
}

}  // namespace

template <typename T>
void Composer::thin(std::array<T, 13>& pool, int keep) {
    const int target = 12 - std::clamp(keep, 1, 12);
    int removed = 0;
    while (removed != target) {
        const int k = randomWhole(m_random, 1, 12);
        if (pool[k] != 0) {
            pool[k] = 0;
            ++removed;
        }
    }
}

template <typename T>
T Composer::drawSurviving(const std::array<T, 13>& pool) {
    T value = 0;
    do {
        value = pool[randomWhole(m_random, 1, 12)];
    } while (value == 0);
    return value;
}

QList<PictureObject> Composer::compose(const CompositionSettings& settings) {
    std::array<int, 13> kinds{};
    std::array<int, 13> sizes{};
    std::array<std::uint32_t, 13> colours{};
    for (int k = 1; k <= 12; ++k) {
        kinds[k] = k;
        sizes[k] = 8 * k + 5;
        colours[k] = kPalette[static_cast<std::size_t>(k - 1)];
    }
    thin(kinds, settings.shapes);
    thin(sizes, settings.sizes);
    thin(colours, settings.colours);

    QList<PictureObject> objects;
    const int n = std::clamp(settings.objects, 1, 12);
    for (int i = 0; i < n; ++i) {
        PictureObject object;
        object.kind = drawSurviving(kinds);
        object.size = drawSurviving(sizes);
        object.colour = drawSurviving(colours);
        objects.append(object);
    }
    return objects;
}

PictureObject Composer::placeAndDraw(const PictureObject& composed, Canvas& canvas) {
    const Region region = regionOf(composed.kind);
    PictureObject placed = composed;
    placed.x = static_cast<float>(randomWhole(m_random, region.x, 200));
    placed.y = static_cast<float>(randomWhole(m_random, region.y, 200));
    placed.size = drawFigure(canvas, placed);
    return placed;
}
