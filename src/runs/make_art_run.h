#pragma once

// One Make Art trial per press of "Make Picture": compose and draw a
// picture from the four sliders, record it in the picture store, have the
// subject rate it, record the trial's results line, and set the screen up
// for the next trial. Each line reaches the disk before the next step, so a
// crash loses at most the trial on the screen.

#include "core/composer.h"
#include "runs/trial_run.h"

class MakeArtRun final : public TrialRun {
    Q_OBJECT
public:
    MakeArtRun(ActiveSession& session, const RunContext& context, TrialView& view);

    void startTrial() override;

private:
    void endOfTrial() override;
    Status finishFiles() override { return m_session.files.finishMakeArt(); }

    Composer m_composer;
    CompositionSettings m_composition;  // of the trial under way
};
