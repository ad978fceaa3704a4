#include "widgets/message.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox* makeBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    auto* box = new QMessageBox(icon, QStringLiteral("Pictor"), text, QMessageBox::NoButton, parent);
    box->setObjectName(QStringLiteral("pictorMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    return box;
}

}  // namespace

QMessageBox* showProblem(QWidget* parent, const QString& text, std::function<void()> onClosed) {
    QMessageBox* box = makeBox(parent, QMessageBox::Warning, text);
    box->addButton(QMessageBox::Ok);
    QObject::connect(box, &QMessageBox::finished, box, [onClosed = std::move(onClosed)](int) {
        if (onClosed) onClosed();
    });
    box->open();
    return box;
}

QMessageBox* askToConfirm(QWidget* parent, const QString& text, const QString& confirmLabel,
                          std::function<void()> onConfirmed, std::function<void()> onDeclined) {
    QMessageBox* box = makeBox(parent, QMessageBox::Question, text);
    QPushButton* confirm = box->addButton(confirmLabel, QMessageBox::DestructiveRole);
    confirm->setObjectName(QStringLiteral("confirmButton"));
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    box->setDefaultButton(cancel);
    QObject::connect(
        box, &QMessageBox::finished, box,
        [box, confirm, onConfirmed = std::move(onConfirmed), onDeclined = std::move(onDeclined)](int) {
            if (box->clickedButton() == confirm) {
                if (onConfirmed) onConfirmed();
            } else if (onDeclined) {
                onDeclined();
            }
        });
    box->open();
    return box;
}
