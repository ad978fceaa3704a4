#include "making/make_art_run.h"

#include "judging/data_files.h"
#include "main_screen/main_screen.h"
#include "platform/canvas_widget.h"
#include "platform/widget_factory.h"
#include "session/session.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

MakeArtRun::MakeArtRun(Session& session, MainScreen& screen)
    : m_session(session), m_screen(screen), m_composer(session.random()), m_rating(session.clock(), std::make_unique<QtTimer>(), screen, session.module1,
                session.settings().scales, screen.results) {
    connect(&screen, &MainScreen::rateFlagRaised, &m_rating, &RatingProcedure::ratePressed);
    connect(&screen, &MainScreen::optionSelected, &m_rating, &RatingProcedure::optionSelected);
    connect(&m_rating, &RatingProcedure::scalesDone, this, &MakeArtRun::endOfTrial);
}

bool MakeArtRun::isUnderWay() const { return !m_stopped && m_screen.TrialNo > 0; }

void MakeArtRun::abandon() {
    m_stopped = true;
    m_rating.abandon();
}

void MakeArtRun::Command1_Click() {
    if (m_trialInProgress || m_stopped || m_session.module1.MakeArt != 1) return;
    if (m_screen.TrialNo >= m_session.module1.NumTrials || m_screen.TrialNo >= TrialResults::kMaxTrial)
        return;
    m_trialInProgress = true;
    const MainWidgets& u = m_screen.ui();
    const SessionSettings& settings = m_session.settings();

    m_session.random().reseedFromClock();
    u.Picture1->clear();
    if (settings.forceSettingChange) u.Command1->hide();
    m_screen.ObjectCount = static_cast<std::int16_t>(u.HScroll[1]->value());
    m_screen.ShapeCount = static_cast<std::int16_t>(u.HScroll[2]->value());
    m_screen.SizeCount = static_cast<std::int16_t>(u.HScroll[3]->value());
    m_screen.ColourCount = static_cast<std::int16_t>(u.HScroll[4]->value());
    for (int n = 1; n <= 4; ++n) u.HScroll[n]->hide();
    if (settings.hideSettings)
        for (int n = 1; n <= 8; ++n) u.Label[n]->hide();
    const int trial = ++m_screen.TrialNo;

    const QList<ComposedObject> objects = m_composer.compose(
        {*m_screen.ObjectCount, *m_screen.ShapeCount, *m_screen.SizeCount, *m_screen.ColourCount});

    SubjectFiles& files = m_session.files();
    if (Status s = files.appendPictureHeader(*m_screen.ObjectCount); !s.isOk()) return fail(s);
    for (const ComposedObject& object : objects) {
        const PlacedObject placed = m_composer.placeAndDraw(object, *u.Picture1);
        if (Status s = files.appendObject(placed); !s.isOk()) return fail(s);
    }

    TrialResults& r = m_screen.results;
    r.TrialObjects[trial] = *m_screen.ObjectCount;
    r.TrialShapes[trial] = *m_screen.ShapeCount;
    r.TrialSizes[trial] = *m_screen.SizeCount;
    r.TrialColours[trial] = *m_screen.ColourCount;

    m_rating.takeStartTime(trial);
    u.Command1->hide();
    m_rating.presentScales();
}

void MakeArtRun::endOfTrial() {
    if (m_stopped) return;
    const MainWidgets& u = m_screen.ui();
    const SessionSettings& settings = m_session.settings();
    for (int n = 1; n <= 4; ++n) u.HScroll[n]->show();
    for (int n = 1; n <= 8; ++n) u.Label[n]->show();
    if (settings.anyScaleForced()) u.Picture1->clear();
    if (settings.forceSettingChange) {
        u.Command1->hide();
        u.Label10->setText(QStringLiteral("Change Setting(s)"));
    } else {
        u.Command1->show();
        u.Label10->setText(QString());
    }
    m_rating.finishTime();

    // The trial's results line goes to disk now; the first trial starts the file.
    const int trial = m_screen.TrialNo;
    if (Status s = m_session.files().appendResults(trial, m_screen.results); !s.isOk()) return fail(s);
    m_trialInProgress = false;

    if (trial == m_session.module1.NumTrials) endSession();
}

void MakeArtRun::endSession() {
    m_stopped = true;
    if (Status s = m_session.files().finishMakeArt(); !s.isOk()) return m_screen.stopAfterFailure(s);
    m_session.endProgram(0);
}

void MakeArtRun::fail(const Status& status) {
    m_stopped = true;
    m_rating.abandon();
    m_screen.stopAfterFailure(status);
}
