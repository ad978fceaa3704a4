#pragma once

// Uniform random numbers for the picture composer. Every draw is a 32-bit
// float r with 0 <= r < 1 strictly, so a + floor(r * m) never reaches a + m.
// Tests substitute a scripted sequence to check each draw in order.

#include <cstdint>
#include <random>

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual float next() = 0;
    // Called at the start of every trial.
    virtual void reseedFromClock() = 0;
};

class StdRandomSource final : public RandomSource {
public:
    StdRandomSource();
    float next() override;
    void reseedFromClock() override;
    void reseed(std::uint64_t seed) { m_engine.seed(seed); }

private:
    std::mt19937_64 m_engine;
};

// A whole number from a to a + m - 1 drawn from r in [0, 1).
// REQUIRES: m >= 1.
int randomWhole(RandomSource& random, int a, int m);
