#pragma once

// Plain windows of one colour, one on every screen, that hide the desktop
// and every other program while a session runs, so the subject sees only
// the experiment. They take no focus, and Pictor's windows stay above
// them: each is made transient for the backdrop of its screen, which
// window managers keep below it and raise with it.

#include <QColor>
#include <memory>
#include <vector>

class QWidget;

class Backdrop {
public:
    explicit Backdrop(QColor colour);
    ~Backdrop();

    // Covers every screen, above every window there is.
    void show();
    // Keeps `window` above the backdrop of its screen.
    void keepAbove(QWidget* window);

private:
    QColor m_colour;
    std::vector<std::unique_ptr<QWidget>> m_windows;
};
