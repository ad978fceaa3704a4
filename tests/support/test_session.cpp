#include "support/test_session.h"

#include "screens/title_screen.h"
#include "widgets/layout.h"
#include "widgets/wrapping_radio_button.h"

#include <QAbstractButton>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>

TestSession::TestSession(SessionDisplay shown, Clock* realClock, PresentationFeedback* realPresentation) {
    registerFontSubstitutes();
    // Options ignore clicks for a double-click interval after they appear;
    // a short one keeps the tests quick. Tests of that rule set their own.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(kDoubleClickMs);
    if (!shown.system) shown.system = &display;
    session = std::make_unique<Session>(realClock ? *realClock : clock, random, disk,
                                        realPresentation ? *realPresentation : presentation, folder(), shown);
    ended = std::make_unique<QSignalSpy>(session.get(), &Session::ended);
}

TestSession::~TestSession() {
    // Finished sessions leave read-only files; the temporary folder is still removable.
    session.reset();
}

SetupScreen* TestSession::openSetup() {
    session->start();
    QTest::mouseClick(session->titleScreen()->findChild<QPushButton*>(QStringLiteral("Begin")),
                      Qt::LeftButton);
    return session->setupScreen();
}

void TestSession::startMakeArt() { QTest::mouseClick(setup().Command1, Qt::LeftButton); }

void TestSession::startJudgeArt() {
    QTest::mouseClick(setup().JudgeArtOption, Qt::LeftButton);
    QTest::mouseClick(setup().Command2, Qt::LeftButton);
}

void TestSession::setSliders(int objects, int shapes, int sizes, int colours) {
    const int values[] = {0, objects, shapes, sizes, colours};
    for (int n = 1; n <= 4; ++n) main()->ui().HScroll[n]->setValue(values[n]);
}

void TestSession::makePicture() { QTest::mouseClick(main()->ui().Command1, Qt::LeftButton); }

bool TestSession::rate(const QList<int>& choices) {
    const MainWidgets& u = main()->ui();
    for (int choice : choices) {
        if (!QTest::qWaitFor([&] { return u.Command3->isVisible() && u.Command3->isEnabled(); }, 5000))
            return false;
        QTest::mouseClick(u.Command3, Qt::LeftButton);
        if (u.Command3->isVisible()) return false;  // the button goes once pressed
        WrappingRadioButton* option = nullptr;
        if (!QTest::qWaitFor(
                [&] {
                    for (int k = 1; k <= 3; ++k)
                        if (u.scale(k)[choice]->isVisible()) option = u.scale(k)[choice];
                    return option != nullptr;
                },
                5000))
            return false;
        QTest::qWait(kDoubleClickMs + 10);  // the options take no clicks before
        QTest::mouseClick(option, Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return !option->isVisible(); }, 5000)) return false;
    }
    return true;
}

QMessageBox* TestSession::message(QWidget* window) {
    return window->findChild<QMessageBox*>(QStringLiteral("pictorMessage"));
}

QStringList clippedCaptions(QWidget* window) {
    QStringList clipped;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QString text;
        int needed = 0;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty()) continue;
            if (label->wordWrap()) {
                if (label->heightForWidth(label->width()) > label->height()) clipped << w->objectName();
                continue;
            }
            needed = label->sizeHint().width();
        } else if (qobject_cast<WrappingRadioButton*>(w)) {
            continue;  // scale options wrap their captions by design
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (qobject_cast<QPushButton*>(w))
                needed = button->fontMetrics().horizontalAdvance(button->text()) + 6;
            else
                needed = button->sizeHint().width();
        } else {
            continue;
        }
        if (needed > w->width())
            clipped << QStringLiteral("%1 (%2 > %3)").arg(w->objectName()).arg(needed).arg(w->width());
    }
    return clipped;
}
