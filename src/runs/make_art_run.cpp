#include "runs/make_art_run.h"

MakeArtRun::MakeArtRun(const RunServices& services, TrialView& view)
    : TrialRun(services, view), m_composer(services.random) {}

Status MakeArtRun::start() {
    if (Status s = m_services.files.startPictureStore(m_services.module1.NumTrials); !s.isOk()) return s;
    return m_services.record.start(m_services.module1.NumTrials);
}

void MakeArtRun::startTrial() {
    if (!canStartTrial(m_services.module1.NumTrials)) return;
    const SessionSettings& settings = m_services.settings;

    m_services.random.reseedFromClock();
    m_view.canvas().clear();
    if (settings.forceSettingChange) m_view.setMakePictureVisible(false);
    m_composition = m_view.sliderValues();
    const CompositionSettings& c = *m_composition;
    m_view.setSlidersVisible(false);
    if (settings.hideSettings) m_view.setSliderLabelsVisible(false);
    const int trial = beginTrial();

    const QList<ComposedObject> objects = m_composer.compose(c);
    SubjectFiles& files = m_services.files;
    if (Status s = files.appendPictureHeader(c.objects); !s.isOk()) return fail(s);
    for (const ComposedObject& object : objects) {
        const PlacedObject placed = m_composer.placeAndDraw(object, m_view.canvas());
        if (Status s = files.appendObject(placed); !s.isOk()) return fail(s);
    }

    m_results.TrialObjects[trial] = c.objects;
    m_results.TrialShapes[trial] = c.shapes;
    m_results.TrialSizes[trial] = c.sizes;
    m_results.TrialColours[trial] = c.colours;

    m_rating.takeStartTime(trial);
    m_view.setMakePictureVisible(false);
    m_rating.presentScales();
}

void MakeArtRun::endOfTrial() {
    const SessionSettings& settings = m_services.settings;
    m_view.setSlidersVisible(true);
    m_view.setSliderLabelsVisible(true);
    if (settings.anyScaleForced()) m_view.canvas().clear();
    m_view.setMakePictureVisible(!settings.forceSettingChange);
    m_view.setInstruction(settings.forceSettingChange ? QStringLiteral("Change Setting(s)") : QString());
    m_rating.finishTime();

    // The trial's results line goes to disk now; the first trial starts the file.
    const int trial = trialNo();
    if (Status s = m_services.files.appendResults(trial, m_results); !s.isOk()) return fail(s);
    if (!trialSaved() || trial != m_services.module1.NumTrials) return;
    if (Status s = m_services.files.finishMakeArt(); !s.isOk()) return fail(s);
    endSession();
}
