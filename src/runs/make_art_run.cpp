#include "runs/make_art_run.h"

MakeArtRun::MakeArtRun(ActiveSession& session, const RunContext& context, TrialView& view)
    : TrialRun(session, context, view), m_composer(context.random) {}

void MakeArtRun::startTrial() {
    if (!canStartTrial()) return;
    const SessionSettings& settings = m_session.settings;
    m_context.random.reseedFromClock();
    m_view.canvas().clear();
    if (settings.forceSettingChange) m_view.setMakePictureVisible(false);
    m_composition = m_view.sliderValues();
    m_view.setSlidersVisible(false);
    if (settings.hideSettings) m_view.setSliderLabelsVisible(false);
    beginTrial();

    const QList<PictureObject> objects = m_composer.compose(m_composition);
    SubjectFiles& files = m_session.files;
    if (Status s = files.appendPictureHeader(m_composition.objects); !s.isOk()) return fail(s);
    for (const PictureObject& object : objects) {
        if (Status s = files.appendObject(m_composer.placeAndDraw(object, m_view.canvas())); !s.isOk())
            return fail(s);
    }
    pictureComplete();
    m_view.setMakePictureVisible(false);
    m_rating.presentScales();
}

void MakeArtRun::endOfTrial() {
    const SessionSettings& settings = m_session.settings;
    m_view.setSlidersVisible(true);
    m_view.setSliderLabelsVisible(true);
    if (settings.anyScaleForced()) m_view.canvas().clear();
    m_view.setMakePictureVisible(!settings.forceSettingChange);
    m_view.setInstruction(settings.forceSettingChange ? QStringLiteral("Change Setting(s)") : QString());
    m_rating.finishTime();

    const ResultsRow row{m_session.files.subjectNumber(), trialNo(), m_composition, m_rating.result(), {}};
    if (Status s = m_session.files.appendResults(row); !s.isOk()) return fail(s);
    trialSaved();
}

#include "moc_make_art_run.cpp"
