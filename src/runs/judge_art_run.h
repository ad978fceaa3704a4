#pragma once

// One Judge Art trial per press of "View Picture": the next stored picture
// is drawn again, rated, and its line (the Make Art results line, a comma,
// the judge fields) goes to the judge results file at once. What it replays
// was read and checked when the session started, before the subject saw
// anything; after the last trial the file is made read-only.

#include "runs/trial_run.h"

class JudgeArtRun final : public TrialRun {
    Q_OBJECT
public:
    JudgeArtRun(ActiveSession& session, const RunContext& context, TrialView& view);

    void startTrial() override;

private:
    void endOfTrial() override;
    Status finishFiles() override { return m_session.files.finishJudgeArt(); }
};
