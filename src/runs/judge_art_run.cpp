#include "runs/judge_art_run.h"

#include "core/figure.h"

JudgeArtRun::JudgeArtRun(const RunServices& services, TrialView& view) : TrialRun(services, view) {}

Status JudgeArtRun::start() {
    if (Status s = m_services.files.loadJudgeMaterial(&m_material); !s.isOk()) return s;
    if (Status s = m_services.record.start(m_material.store.trials); !s.isOk()) return s;
    m_prepared = true;
    return Status::ok();
}

void JudgeArtRun::startTrial() {
    if (!m_prepared || !canStartTrial(m_material.store.trials)) return;
    m_view.canvas().clear();
    m_view.setInstructionVisible(true);
    const int trial = beginTrial();
    if (trial == 1) m_services.module1.NumTrials = static_cast<std::int16_t>(m_material.store.trials);
    const StoredPicture& picture = m_material.store.pictures[trial - 1];
    m_objectCount = static_cast<int>(picture.objects.size());
    for (const StoredObject& o : picture.objects)
        DrawFigure(m_view.canvas(), o.kind, o.x, o.y, o.size, o.colour);

    m_rating.takeStartTime(trial);
    m_view.setViewPictureVisible(false);
    m_rating.presentScales();
}

void JudgeArtRun::endOfTrial() {
    m_rating.finishTime();
    m_view.setInstructionVisible(false);
    if (m_services.settings.anyScaleForced()) m_view.canvas().clear();
    m_view.setViewPictureVisible(true);

    const int trial = trialNo();
    SubjectFiles& files = m_services.files;
    if (Status s = files.appendJudgeResults(trial, m_material.resultsLines[trial - 1], m_results); !s.isOk())
        return fail(s);
    if (!trialSaved() || trial != m_services.module1.NumTrials) return;
    if (Status s = files.finishJudgeArt(); !s.isOk()) return fail(s);
    endSession();
}
