#include "widgets/widget_factory.h"

#include "widgets/focus_scroll_bar.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {

template <typename W>
W* place(W* widget, const char* name, QRect geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    widget->setFont(sansFont());
    return widget;
}

}  // namespace

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* label = place(new QLabel(text, parent), name, geometry);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* button = place(new QPushButton(text, parent), name, geometry);
    button->setAutoDefault(true);  // Enter presses the button that has the focus
    return button;
}

QCheckBox* addCheckBox(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    return place(new QCheckBox(text, parent), name, geometry);
}

QLineEdit* addTextBox(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    return place(new QLineEdit(text, parent), name, geometry);
}

QScrollBar* addSlider(QWidget* parent, const char* name, int minimum, int maximum, int value, int smallStep,
                      int largeStep, QRect geometry) {
    auto* slider = place(new FocusScrollBar(parent), name, geometry);
    slider->setRange(minimum, maximum);
    slider->setSingleStep(smallStep);
    slider->setPageStep(largeStep);
    slider->setValue(value);
    slider->setFocusPolicy(Qt::StrongFocus);
    // Right arrow and Page Down move towards the maximum, as on any slider.
    slider->setInvertedControls(false);
    return slider;
}

void setBackground(QWidget* widget, QColor colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

void setTextColour(QWidget* widget, QColor colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    widget->setPalette(p);
}

void setBoxBorder(QLabel* label) {
    label->setFrameShape(QFrame::Box);
    label->setLineWidth(1);
}
