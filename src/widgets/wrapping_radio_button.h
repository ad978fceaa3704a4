#pragma once

// An option button whose caption wraps over as many lines as its box allows,
// as the scale captions ("Extremely Displeasing") need in their narrow boxes.
// The whole box responds to the mouse, not only the indicator and the text.

#include <QRadioButton>

class WrappingRadioButton final : public QRadioButton {
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};
