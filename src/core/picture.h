#pragma once

// A picture as the composer makes it, the figure drawing draws it and the
// picture store keeps it: an object count and that many objects, each a
// kind, a reference point, a size and a colour. Colours are kept as the
// data files store them, red + 256 * green + 65536 * blue.

#include <QList>
#include <QRgb>
#include <QSize>
#include <array>
#include <cstdint>

inline constexpr int kKinds = 12;
inline constexpr int kMaxObjects = 12;
inline constexpr std::uint32_t kMaxColour = 0xFFFFFF;

struct PictureObject {
    int kind = 0;  // 1..12; a stored record of another kind is kept and drawn as nothing
    float x = 0;
    float y = 0;
    double size = 0;  // as composed (13..101) before drawing; the drawn size once drawn and stored
    std::uint32_t colour = 0;

    bool drawn() const { return kind >= 1 && kind <= kKinds; }
    friend bool operator==(const PictureObject&, const PictureObject&) = default;
};

struct Picture {
    QList<PictureObject> objects;
};

// The four settings a picture is composed from, each 1..12.
struct CompositionSettings {
    int objects = 6;
    int shapes = 6;
    int sizes = 6;
    int colours = 6;
    friend bool operator==(const CompositionSettings&, const CompositionSettings&) = default;
};

// The twelve colours a picture may use, in their order in the composer's pool.
inline constexpr std::array<std::uint32_t, kKinds> kPalette = {
    255, 65280, 16711680, 16776960, 16711935, 65535, 126, 32256, 8257536, 8289792, 8257662, 32382};

inline QRgb rgbOfStoredColour(std::uint32_t stored) {
    return qRgb(static_cast<int>(stored & 0xFF), static_cast<int>((stored >> 8) & 0xFF),
                static_cast<int>((stored >> 16) & 0xFF));
}

// The inside of the main screen's picture box at scale 1, in pixels, and
// its grey.
inline constexpr QSize kPictureSize(471, 375);
inline constexpr QRgb kPictureGrey = 0xFFC0C0C0;
