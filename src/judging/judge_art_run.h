#pragma once

// One Judge Art trial per press of "View Picture": the next stored picture
// is drawn again, rated, and its line (the Make Art results line, a comma,
// the judge fields) goes to the judge results file at once. The material is
// read and checked when the session starts, before the subject sees
// anything; after the last trial the file is made read-only and the program
// ends.

#include "judging/picture_store.h"
#include "judging/rating_procedure.h"
#include "platform/status.h"

#include <QObject>

class MainScreen;
class Session;

class JudgeArtRun final : public QObject {
    Q_OBJECT
public:
    JudgeArtRun(Session& session, MainScreen& screen);

    // Reads and checks everything the session will replay. Touches nothing.
    Status prepare();

    void Command2_Click();

    bool isUnderWay() const;
    void abandon();

private:
    void endOfTrial();
    void fail(const Status& status);

    Session& m_session;
    MainScreen& m_screen;
    RatingProcedure m_rating;
    JudgeMaterial m_material;
    bool m_prepared = false;
    bool m_trialInProgress = false;
    bool m_stopped = false;
};
