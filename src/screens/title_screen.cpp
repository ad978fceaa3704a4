#include "screens/title_screen.h"

#include "core/version.h"

#include "screens/session.h"
#include "screens/setup_screen.h"
#include "widgets/widget_factory.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

TitleScreen::TitleScreen(Session& session) : LayoutWindow(QColor(255, 255, 192)), m_session(session) {
    setObjectName(QStringLiteral("Startup"));
    setWindowTitle(QStringLiteral("Ruz Avevu"));
    setFixedSize(twipsToPixels(6945), twipsToPixels(3900));
    move(twipsToPixels(3315), twipsToPixels(2505));

    QLabel* title = addLabel(this, "Label1", QStringLiteral("Pictor"), tw(2325, 360, 2295, 615));
    title->setFont(layoutFont(kTitleFamily, 24));
    setTextColour(title, QColor(255, 0, 0));
    title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    addLabel(this, "Label2", QStringLiteral("Version ") + QLatin1String(kPictorVersion),
             tw(2865, 960, 1215, 255))
        ->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    addLabel(this, "Label3", QStringLiteral("Empirical aesthetics laboratory"), tw(2265, 1200, 2415, 255))
        ->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    addLabel(this, "Label4", QStringLiteral("Pictor team"), tw(2880, 1440, 1335, 255));

    QLabel* subtitle =
        addLabel(this, "Subtitle",
                 QStringLiteral("This program allows the researcher in empirical visual aesthetics to "
                                "manipulate the parameters associated with visual objects and their "
                                "evaluation."),
                 tw(690, 1920, 5565, 720));
    subtitle->setFont(sansFont(9.75, true));

    m_begin = addButton(this, "Begin", QStringLiteral("Begin"), tw(2865, 3120, 1215, 495));
    connect(m_begin, &QPushButton::clicked, this, &TitleScreen::beginPressed);
    m_begin->setFocus();
}

void TitleScreen::beginPressed() {
    SetupScreen* setup = m_session.setupScreen();
    setup->show();
    setup->activateWindow();
    hide();
}

void TitleScreen::closeEvent(QCloseEvent* event) {
    event->accept();
    m_session.endProgram(0);
}

#include "moc_title_screen.cpp"
