#pragma once

// Centres a window's outer frame on the available area of its screen. The
// frame is only known once the window manager has framed the shown window,
// so the window is centred when it is created, and once more as soon as
// its frame first differs from what that centring assumed.

class QWidget;

// Left = (available width - outer width) / 2, top likewise, in single
// precision; a window larger than the area gets a negative position.
void centreOnScreen(QWidget* window);

// Centres now and again once the frame is known. The window owns the helper.
void keepCentred(QWidget* window);
