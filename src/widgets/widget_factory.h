#pragma once

// Small helpers that build a widget from a layout-table row: object name,
// caption, geometry in twips and the default font, so the screen classes
// read like their layout tables.

#include "widgets/layout.h"

#include <QColor>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QWidget;

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, QRect twips);
QPushButton* addButton(QWidget* parent, const char* name, const QString& text, QRect twips);
QCheckBox* addCheckBox(QWidget* parent, const char* name, const QString& text, QRect twips);
QLineEdit* addTextBox(QWidget* parent, const char* name, const QString& text, QRect twips);
// Horizontal scroll bar; takes the keyboard focus like the other controls.
QScrollBar* addSlider(QWidget* parent, const char* name, int minimum, int maximum, int value, int smallStep,
                      int largeStep, QRect twips);

// An opaque background of the colour, for a label that is a box of its own.
void setBackground(QWidget* widget, QColor colour);
void setTextColour(QWidget* widget, QColor colour);
// A one-pixel box around the label, as a value box or instruction box has.
void setBoxBorder(QLabel* label);

// Layout tables give left, top, width, height in twips.
inline QRect tw(int left, int top, int width, int height) { return twipsRect(left, top, width, height); }
