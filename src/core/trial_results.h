#pragma once

// What the session records per trial, indexed by trial number (1 for the
// first trial; index 0 is never used). An element without a value is a scale
// that was not asked, written as an empty field.

#include <array>
#include <optional>

struct TrialResults {
    static constexpr int kMaxTrial = 1000;
    template <typename T>
    using PerTrial = std::array<std::optional<T>, kMaxTrial + 1>;

    PerTrial<int> PleRating;
    PerTrial<int> IntRating;
    PerTrial<int> ComRating;
    PerTrial<float> RatingTime;

    // Make Art sessions only: the composition settings of each trial.
    PerTrial<int> TrialObjects;
    PerTrial<int> TrialShapes;
    PerTrial<int> TrialSizes;
    PerTrial<int> TrialColours;

    // Scale 1, 2 or 3.
    PerTrial<int>& rating(int scale) { return scale == 1 ? PleRating : scale == 2 ? IntRating : ComRating; }
};
