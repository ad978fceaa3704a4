#pragma once

// The session's shared record: what more than one screen needs to know about
// the one session this run of the program carries out. The setup screen
// fills it; the main screen and the runs read it.

#include <QString>
#include <cstdint>

struct Module1 {
    std::int16_t JudgeDelay = 0;  // whole seconds, 0..20
    std::int16_t NumTrials = 0;   // 1..500 once the setup screen is loaded
    std::int16_t RateFlag = 0;    // latch set by "Rate !"
    QString SubjectCode;          // exactly as typed
    std::int16_t MakeArt = 0;
    std::int16_t JudgeArt = 0;
};

inline void BeginMakeArt(Module1& m, const QString& codeText) {
    m.MakeArt = 1;
    m.SubjectCode = codeText;
}

inline void BeginJudgeArt(Module1& m, const QString& codeText) {
    m.JudgeArt = 1;
    m.SubjectCode = codeText;
}
