#pragma once

// The settings of one session: what the experimenter set on the setup
// screen when a start button was pressed, captured once with the
// setting-change rule applied, and never changed afterwards. Everything
// that runs the session, writes its files or records it reads this one
// snapshot.

#include <QString>
#include <array>

enum class SessionMode { MakeArt, JudgeArt };

inline constexpr int kMaxTrials = 500;
inline constexpr int kDefaultTrials = 3;
inline constexpr int kMaxJudgeDelay = 20;  // seconds

struct ScaleSettings {
    QString left;   // first term: names the scale in the prompts, left end of the row
    QString right;  // second term: right end of the row
    bool forced = true;
};

struct SessionSettings {
    SessionMode mode = SessionMode::MakeArt;
    QString subjectCode;          // exactly as typed
    QString dataFolder;           // exactly as typed; file names are appended directly
    int trials = kDefaultTrials;  // Make Art; a Judge Art session replays as many as were made
    int judgeDelay = 0;           // seconds
    std::array<ScaleSettings, 3> scales;
    bool forceSettingChange = true;  // Make Art: "Force Setting Change Before New Image Creation"
    bool hideSettings = false;       // Make Art: "Hide Image Creation Settings After Image Created"

    // Scale 1, 2 or 3.
    const ScaleSettings& scale(int k) const { return scales[static_cast<std::size_t>(k - 1)]; }
    bool anyScaleForced() const { return scales[0].forced || scales[1].forced || scales[2].forced; }
};

// The settings as a session runs with them: a setting change is only forced
// when at least one scale is rated.
inline SessionSettings withSettingChangeRule(SessionSettings typed) {
    if (!typed.anyScaleForced()) typed.forceSettingChange = false;
    return typed;
}
