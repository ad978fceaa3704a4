#pragma once

// Messages to the person at the desk. They are window-modal but never block
// the caller: the call returns at once and the callbacks run when the person
// answers, so a run in progress keeps its timing and tests can answer by
// finding the box (object name "pictorMessage") and clicking its button.

#include <QString>
#include <functional>

class QMessageBox;
class QWidget;

QMessageBox* showProblem(QWidget* parent, const QString& text, std::function<void()> onClosed = {});

QMessageBox* askToConfirm(QWidget* parent, const QString& text, const QString& confirmLabel,
                          std::function<void()> onConfirmed, std::function<void()> onDeclined = {});
