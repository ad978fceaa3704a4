#include "judging/judge_art_run.h"

#include "judging/data_files.h"
#include "main_screen/main_screen.h"
#include "making/figure.h"
#include "platform/canvas_widget.h"
#include "session/session.h"

#include <QLabel>
#include <QPushButton>

JudgeArtRun::JudgeArtRun(Session& session, MainScreen& screen)
    : m_session(session), m_screen(screen), m_rating(session.clock(), std::make_unique<QtTimer>(), screen, session.module1,
                session.settings().scales, screen.results) {
    connect(&screen, &MainScreen::rateFlagRaised, &m_rating, &RatingProcedure::ratePressed);
    connect(&screen, &MainScreen::optionSelected, &m_rating, &RatingProcedure::optionSelected);
    connect(&m_rating, &RatingProcedure::scalesDone, this, &JudgeArtRun::endOfTrial);
}

Status JudgeArtRun::prepare() {
    Status s = m_session.files().loadJudgeMaterial(&m_material);
    m_prepared = s.isOk();
    return s;
}

bool JudgeArtRun::isUnderWay() const { return !m_stopped && m_screen.TrialNo > 0; }

void JudgeArtRun::abandon() {
    m_stopped = true;
    m_rating.abandon();
}

void JudgeArtRun::Command2_Click() {
    if (!m_prepared || m_trialInProgress || m_stopped || m_session.module1.JudgeArt != 1) return;
    if (m_screen.TrialNo >= m_material.store.trials) return;
    m_trialInProgress = true;
    const MainWidgets& u = m_screen.ui();

    u.Picture1->clear();
    u.Label10->setVisible(true);
    const int trial = ++m_screen.TrialNo;
    if (trial == 1) m_session.module1.NumTrials = static_cast<std::int16_t>(m_material.store.trials);
    const StoredPicture& picture = m_material.store.pictures[trial - 1];
    m_screen.ObjectCount = static_cast<std::int16_t>(picture.objects.size());
    for (const StoredObject& o : picture.objects) DrawFigure(*u.Picture1, o.kind, o.x, o.y, o.size, o.colour);

    m_rating.takeStartTime(trial);
    u.Command2->hide();
    m_rating.presentScales();
}

void JudgeArtRun::endOfTrial() {
    if (m_stopped) return;
    m_rating.finishTime();
    const MainWidgets& u = m_screen.ui();
    u.Label10->setVisible(false);
    if (m_session.settings().anyScaleForced()) u.Picture1->clear();
    u.Command2->setVisible(true);

    const int trial = m_screen.TrialNo;
    SubjectFiles& files = m_session.files();
    if (Status s = files.appendJudgeResults(trial, m_material.resultsLines[trial - 1], m_screen.results); !s.isOk())
        return fail(s);
    m_trialInProgress = false;

    if (trial == m_session.module1.NumTrials) {
        m_stopped = true;
        if (Status s = files.finishJudgeArt(); !s.isOk()) return m_screen.stopAfterFailure(s);
        m_session.endProgram(0);
    }
}

void JudgeArtRun::fail(const Status& status) {
    m_stopped = true;
    m_rating.abandon();
    m_screen.stopAfterFailure(status);
}
