#pragma once

// Screen layouts are given in twips (1/1440 inch) and shown at 15 twips per
// device-independent pixel, the ratio at 96 dots per inch. Windows, fonts
// and the picture's drawing unit all derive from this one ratio.

#include <cmath>

inline constexpr int kTwipsPerPixel = 15;

inline int twipsToPixels(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}
