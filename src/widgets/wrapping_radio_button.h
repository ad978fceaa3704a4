#pragma once

// An option button of a rating scale. Its caption wraps over as many lines
// as its box allows, as the scale captions ("Extremely Displeasing") need in
// their narrow boxes, and the whole box responds to the mouse.
//
// For the platform's double-click interval after it appears it ignores the
// mouse and the keyboard. The options appear under the pointer right after
// a click on "Rate How ...", whose box overlaps their row; without this the
// second click of a double-click would choose an option the subject never
// saw.

#include <QElapsedTimer>
#include <QRadioButton>

class WrappingRadioButton final : public QRadioButton {
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;

    // The width the indicator takes beside the caption.
    int textMargin() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // True while a press would come too soon after the button appeared.
    bool justAppeared() const;

    QElapsedTimer m_shown;
};
