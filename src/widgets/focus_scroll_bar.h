#pragma once

// A horizontal scroll bar that shows when it has the keyboard focus. The
// Fusion style draws no focus mark on scroll bars, so a subject who tabs to
// one, or starts a trial with the focus on it, could not tell where the
// arrow keys act.

#include <QScrollBar>

class FocusScrollBar final : public QScrollBar {
    Q_OBJECT
public:
    explicit FocusScrollBar(QWidget* parent = nullptr) : QScrollBar(Qt::Horizontal, parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
