#pragma once

// Layout units and fonts. Screens are laid out in twips (1/1440 inch) and
// shown at 15 twips per device-independent pixel, so each widget keeps the
// position and size of the layout tables. Fonts are asked for by their
// design names; registerFontSubstitutes() maps those names to faces that are
// installed on a Linux desktop and close in metrics.

#include "platform/units.h"

#include <QColor>
#include <QFont>
#include <QRect>

QRect twipsRect(int left, int top, int width, int height);

inline constexpr char kSansFamily[] = "MS Sans Serif";
inline constexpr char kTitleFamily[] = "Old English Text MT";

// Call once after the application object exists.
void registerFontSubstitutes();

// A font of the given point size at 96 dots per inch, so text keeps its
// proportion to the layout whatever the display reports.
QFont layoutFont(const char* family, double points, bool bold = false);
inline QFont sansFont(double points = 8.25, bool bold = false) {
    return layoutFont(kSansFamily, points, bold);
}

// The narrowest box in which `text`, wrapped at word boundaries in `font`,
// fits `height` pixels, when the box needs `margin` pixels besides the text.
int widthToWrap(const QFont& font, const QString& text, int height, int margin);
