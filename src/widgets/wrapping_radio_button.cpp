#include "widgets/wrapping_radio_button.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>
#include <QStyleOptionButton>
#include <QStylePainter>

int WrappingRadioButton::textMargin() const {
    return style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, this) +
           style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, this) + 1;
}

void WrappingRadioButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString text = option.text;
    option.text.clear();

    const int indicatorWidth = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, &option, this);
    const int indicatorHeight = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, &option, this);
    QStyleOptionButton indicator = option;
    indicator.rect = QRect(1, (height() - indicatorHeight) / 2, indicatorWidth, indicatorHeight);
    painter.drawPrimitive(QStyle::PE_IndicatorRadioButton, indicator);

    const QRect textRect(textMargin(), 0, width() - textMargin(), height());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = painter.boundingRect(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text)
                         .adjusted(-1, 0, 1, 0);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrappingRadioButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void WrappingRadioButton::showEvent(QShowEvent* event) {
    QRadioButton::showEvent(event);
    m_shown.start();
}

bool WrappingRadioButton::justAppeared() const {
    return m_shown.isValid() && m_shown.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

void WrappingRadioButton::mousePressEvent(QMouseEvent* event) {
    if (justAppeared()) {
        event->accept();  // swallowed: the release that follows finds nothing pressed
        return;
    }
    QRadioButton::mousePressEvent(event);
}

void WrappingRadioButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (justAppeared()) {
        event->accept();
        return;
    }
    QRadioButton::mouseDoubleClickEvent(event);
}

void WrappingRadioButton::keyPressEvent(QKeyEvent* event) {
    if (justAppeared() && !event->isAutoRepeat() && event->key() == Qt::Key_Space) {
        event->accept();
        return;
    }
    QRadioButton::keyPressEvent(event);
}

#include "moc_wrapping_radio_button.cpp"
