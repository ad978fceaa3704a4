#include "platform/random_source.h"

#include <chrono>
#include <cmath>

StdRandomSource::StdRandomSource() { reseedFromClock(); }

float StdRandomSource::next() {
    // The top 24 bits give every float in [0, 1) that is a multiple of 2^-24.
    // std::generate_canonical<float> may round up to 1.0, this cannot.
    const std::uint64_t bits = m_engine() >> 40;
    return static_cast<float>(bits) * (1.0f / 16777216.0f);
}

void StdRandomSource::reseedFromClock() {
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::seed_seq seq{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
    m_engine.seed(seq);
}

int randomWhole(RandomSource& random, int a, int m) {
    const double r = random.next();
    int k = static_cast<int>(std::floor(r * m));
    // A source that breaks its contract must not push the result out of range.
    if (k >= m) k = m - 1;
    if (k < 0) k = 0;
    return a + k;
}
