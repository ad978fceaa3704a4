#pragma once

// A top-level window of the layout tables, with its background colour.
// The window paints that colour itself instead of taking it into its
// palette: a palette spreads to every child, and the sliders, buttons and
// text boxes must keep the style's standard look to stay legible.

#include <QColor>
#include <QWidget>

class LayoutWindow : public QWidget {
    Q_OBJECT
public:
    explicit LayoutWindow(QColor background, QWidget* parent = nullptr);


protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_background;
};
