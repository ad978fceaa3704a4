#include "runs/judge_art_run.h"

#include "core/figure.h"

JudgeArtRun::JudgeArtRun(ActiveSession& session, const RunContext& context, TrialView& view)
    : TrialRun(session, context, view) {}

void JudgeArtRun::startTrial() {
    if (!canStartTrial()) return;
    m_view.canvas().clear();
    m_view.setInstructionVisible(true);
    const int trial = beginTrial();
    for (const PictureObject& object : m_session.material.store.pictures[trial - 1].objects)
        drawFigure(m_view.canvas(), object);
    pictureComplete();
    m_view.setViewPictureVisible(false);
    m_rating.presentScales();
}

void JudgeArtRun::endOfTrial() {
    m_rating.finishTime();
    m_view.setInstructionVisible(false);
    if (m_session.settings.anyScaleForced()) m_view.canvas().clear();
    m_view.setViewPictureVisible(true);

    const int trial = trialNo();
    const JudgeRow row{m_session.material.results[trial - 1].text, m_rating.result()};
    if (Status s = m_session.files.appendJudgeResults(trial, row); !s.isOk()) return fail(s);
    trialSaved();
}

#include "moc_judge_art_run.cpp"
