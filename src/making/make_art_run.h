#pragma once

// One Make Art trial, from the press of "Make Picture" to the next press or
// the end of the session: compose and draw a picture from the four sliders,
// record it in the picture store, have the subject rate it, record the
// trial's line in the results file, and set the screen up for the next
// trial. Each line reaches the disk before the next step, so a crash loses
// at most the trial on the screen.

#include "making/composer.h"
#include "judging/rating_procedure.h"
#include "platform/status.h"

#include <QObject>

class MainScreen;
class Session;

class MakeArtRun final : public QObject {
    Q_OBJECT
public:
    MakeArtRun(Session& session, MainScreen& screen);

    void Command1_Click();

    // A trial has been made and the session has not ended.
    bool isUnderWay() const;
    // The session is being ended early: stop without writing anything more.
    void abandon();

private:
    void endOfTrial();
    void endSession();
    // A data file could not be written: say so and end the session in order.
    void fail(const Status& status);

    Session& m_session;
    MainScreen& m_screen;
    Composer m_composer;
    RatingProcedure m_rating;
    bool m_trialInProgress = false;
    bool m_stopped = false;
};
