#pragma once

// What the rating procedure shows on the screen. The main screen implements
// it with its instruction box, its "Rate !" button and the three rows of
// options; tests implement it with a log.

#include <QString>

class RatingView {
public:
    virtual ~RatingView() = default;
    // The instruction box becomes visible with the text.
    virtual void showPrompt(const QString& text) = 0;
    // In one step: the rate button takes the caption, the instruction box is
    // emptied, and the button is shown and enabled.
    virtual void showRateButton(const QString& caption) = 0;
    // The rate button is hidden and disabled.
    virtual void hideRateButton() = 0;
    // Options 1..7 of scale 1, 2 or 3 are enabled and shown, none selected.
    virtual void showOptions(int scale) = 0;
    // Options 1..7 of the scale are disabled, hidden and deselected.
    virtual void clearOptions(int scale) = 0;
};
