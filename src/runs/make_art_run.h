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
    MakeArtRun(const RunServices& services, TrialView& view);

    // Starts the picture store with the number of trials.
    Status start() override;
    void startTrial() override;

    // The composition values of the trial under way (empty before the first).
    const std::optional<CompositionSettings>& composition() const { return m_composition; }

private:
    void endOfTrial() override;

    Composer m_composer;
    std::optional<CompositionSettings> m_composition;
};
