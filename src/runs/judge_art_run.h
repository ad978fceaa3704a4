#pragma once

// One Judge Art trial per press of "View Picture": the next stored picture
// is drawn again, rated, and its line (the Make Art results line, a comma,
// the judge fields) goes to the judge results file at once. The material is
// read and checked when the session starts, before the subject sees
// anything; after the last trial the file is made read-only.

#include "core/data_reader.h"
#include "runs/trial_run.h"

class JudgeArtRun final : public TrialRun {
    Q_OBJECT
public:
    JudgeArtRun(const RunServices& services, TrialView& view);

    // Reads and checks everything the session will replay. Touches nothing.
    Status start() override;
    void startTrial() override;

    // Number of objects of the picture replayed last (empty before the first).
    const std::optional<int>& objectCount() const { return m_objectCount; }

private:
    void endOfTrial() override;

    JudgeMaterial m_material;
    bool m_prepared = false;
    std::optional<int> m_objectCount;
};
