#pragma once

// What the experimenter set on the setup screen, captured once when a start
// button is pressed. The setup screen is hidden for good after a start and
// cannot change, so every later reader sees the values it would have read
// from the widgets themselves.

#include <QString>
#include <array>

enum class SessionMode { MakeArt, JudgeArt };

struct ScaleSettings {
    QString left;   // first term: names the scale in the prompts, left end of the row
    QString right;  // second term: right end of the row
    bool forced = true;
};

struct SessionSettings {
    SessionMode mode = SessionMode::MakeArt;
    QString subjectCode;  // exactly as typed
    QString dataFolder;   // exactly as typed; file names are appended directly
    int trials = 3;
    int judgeDelay = 0;
    std::array<ScaleSettings, 3> scales;
    bool forceSettingChange = true;  // "Force Setting Change Before New Image Creation"
    bool hideSettings = false;       // "Hide Image Creation Settings After Image Created"

    // Scale 1, 2 or 3.
    const ScaleSettings& scale(int k) const { return scales[static_cast<std::size_t>(k - 1)]; }
    bool anyScaleForced() const { return scales[0].forced || scales[1].forced || scales[2].forced; }

    // Setting changes are only forced when at least one scale is rated.
    void applySettingChangeRule() {
        if (!anyScaleForced()) forceSettingChange = false;
    }
};
