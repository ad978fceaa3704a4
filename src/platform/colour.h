#pragma once

// Colours as the data files store them: red + 256 * green + 65536 * blue.

#include <QColor>
#include <cstdint>

inline QColor colourFromValue(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}
