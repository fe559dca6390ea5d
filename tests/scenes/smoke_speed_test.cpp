#include "scenes/smoke_speed.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// Each burst opens strictly after its start at 2.2^2 = 4.84 times its scale and falls along a
// parabola to 1 at its end; the first has no gate, and nothing is ever below 1.
TEST(SmokeSpeed, NineBurstsOnTheBeatsOverABaseOfOne) {
    for (const auto& [t, speed] : std::vector<std::pair<double, double>>{{34.2, 4.84},
                                                                         {34.3, 1.9 * 1.9},
                                                                         {34.6, 1.0},
                                                                         {36.3, 1.0},
                                                                         {36.3 + 1e-9, 4.84},
                                                                         {36.5, 1.6 * 1.6},
                                                                         {36.7, 1.0},
                                                                         {38.5 + 1e-9, 4.84},
                                                                         {40.6 + 1e-9, 4.84},
                                                                         {42.9 + 1e-9, 4.84},
                                                                         {45.15, 1.6 * 1.6},
                                                                         {45.35, 1.0},
                                                                         {47.15, 1.0},
                                                                         {47.15 + 1e-9, 3.872},
                                                                         {49.25 + 1e-9, 2.904},
                                                                         {50.5 + 1e-9, 2.42},
                                                                         {50.7, 0.5 * 1.6 * 1.6},
                                                                         {50.8, 1.0},
                                                                         {53.0, 1.0}})
        EXPECT_NEAR(smokeSpeed(t), speed, 1e-5) << t;
}

} // namespace
