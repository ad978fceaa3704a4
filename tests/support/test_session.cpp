#include "support/test_session.h"

#include "screens/title_screen.h"
#include "widgets/layout.h"
#include "widgets/wrapping_radio_button.h"

#include <QGuiApplication>
#include <QStyleHints>

constexpr int kDoubleClickMs = 100;

TestSession::TestSession(SessionDisplay shown, Clock* realClock, PresentationFeedback* realPresentation) {
    registerFontSubstitutes();
    // Options ignore clicks for a double-click interval after they appear: a short one is quicker.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(kDoubleClickMs);
    if (!shown.system) shown.system = &display;
    session = std::make_unique<Session>(realClock ? *realClock : clock, random, disk,
                                        realPresentation ? *realPresentation : presentation, folder(), shown);
    ended = std::make_unique<QSignalSpy>(session.get(), &Session::ended);
}

SetupScreen* TestSession::openSetup() {
    session->start();
    QTest::mouseClick(session->titleScreen()->findChild<QPushButton*>("Begin"), Qt::LeftButton);
    return session->setupScreen();
}

bool TestSession::rate(const QList<int>& choices) {
    // "Rate How" is double-clicked, as subjects do: the second click, on the
    // option that appears beneath, must choose nothing.
    const MainWidgets& u = main()->ui();
    for (int choice : choices) {
        if (!QTest::qWaitFor([&] { return u.Command3->isVisible() && u.Command3->isEnabled(); }, 15000))
            return false;
        QTest::mouseClick(u.Command3, Qt::LeftButton);
        WrappingRadioButton* option = nullptr;
        for (int k = 1; k <= 3; ++k)
            if (u.scale(k)[choice]->isVisible()) option = u.scale(k)[choice];
        if (u.Command3->isVisible() || !option) return false;  // the button goes once pressed
        QTest::mouseClick(option, Qt::LeftButton);
        if (option->isChecked() || !option->isVisible()) return false;
        // Then the options take clicks.
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 10);
        QTest::mouseClick(option, Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return !option->isVisible(); }, 15000)) return false;
    }
    return true;
}

QStringList clippedCaptions(QWidget* window) {
    QStringList clipped;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(w);
        const auto* button = qobject_cast<QAbstractButton*>(w);
        const bool wraps = label && label->wordWrap();
        const int has = wraps ? w->height() : w->width();
        int needed = 0;
        if (label && !label->text().isEmpty())
            needed = wraps ? label->heightForWidth(w->width()) : label->sizeHint().width();
        else if (qobject_cast<QPushButton*>(w))
            needed = button->fontMetrics().horizontalAdvance(button->text()) + 6;
        else if (button && !qobject_cast<WrappingRadioButton*>(w))  // scale options wrap by design
            needed = button->sizeHint().width();
        if (needed > has) clipped << QStringLiteral("%1 (%2 > %3)").arg(w->objectName()).arg(needed).arg(has);
    }
    return clipped;
}
