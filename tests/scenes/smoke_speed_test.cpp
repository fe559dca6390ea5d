#include "scenes/smoke_speed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct Burst {
    double start;
    double end;
    double scale;
};

// The nine beats, written out independently of the scene's table.
constexpr std::array<Burst, 9> bursts = {{{34.2, 34.6, 1.0},
                                          {36.3, 36.7, 1.0},
                                          {38.5, 38.9, 1.0},
                                          {40.6, 41.0, 1.0},
                                          {42.9, 43.3, 1.0},
                                          {44.95, 45.35, 1.0},
                                          {47.15, 47.55, 0.8},
                                          {49.25, 49.65, 0.6},
                                          {50.5, 50.9, 0.5}}};

TEST(SmokeSpeed, EachBurstJumpsToItsPeakAndFallsAlongAParabolaToOne) {
    for (const Burst& burst : bursts) {
        SCOPED_TRACE(burst.start);
        const double justAfter = burst.start + 1e-6;
        EXPECT_NEAR(smokeSpeed(justAfter), std::max(1.0, 4.84 * burst.scale), 1e-4);
        const double middle = 0.5 * (burst.start + burst.end);
        const double rise = (burst.end - middle) * 3.0 + 1.0;
        EXPECT_NEAR(smokeSpeed(middle), std::max(1.0, burst.scale * rise * rise), 1e-5);
        // At its end a burst is back at 1 and stays there until the next.
        EXPECT_NEAR(smokeSpeed(burst.end), 1.0, 1e-5);
        EXPECT_EQ(smokeSpeed(burst.end + 0.3), 1.0f);
    }
}

TEST(SmokeSpeed, ClosedGatesGiveTheBaseSpeed) {
    // A burst opens only strictly after its start.
    for (std::size_t k = 1; k < bursts.size(); ++k) {
        EXPECT_EQ(smokeSpeed(bursts[k].start), 1.0f) << bursts[k].start;
    }
    // The first burst has no gate: it is the base speed's source and peaks where the flow starts.
    EXPECT_NEAR(smokeSpeed(34.2), 4.84, 1e-5);
    EXPECT_NEAR(smokeSpeed(34.3), 1.9 * 1.9, 1e-5);
    for (double t = 50.91; t < 60.0; t += 0.37) {
        EXPECT_EQ(smokeSpeed(t), 1.0f) << t;
    }
}

TEST(SmokeSpeed, TheLateBurstsAreScaledDown) {
    EXPECT_NEAR(smokeSpeed(47.15 + 1e-9), 0.8 * 4.84, 1e-5);
    EXPECT_NEAR(smokeSpeed(49.25 + 1e-9), 0.6 * 4.84, 1e-5);
    EXPECT_NEAR(smokeSpeed(50.5 + 1e-9), 0.5 * 4.84, 1e-5);
    // The last burst falls below 1 before its end, where the base speed takes over.
    const double below = 50.9 - (std::sqrt(2.0) - 1.0) / 3.0 + 0.01;
    EXPECT_EQ(smokeSpeed(below), 1.0f);
    // The flow never slows below its base speed.
    for (double t = 34.2; t < 60.0; t += 0.013) {
        EXPECT_GE(smokeSpeed(t), 1.0f) << t;
    }
}

} // namespace
