#include "scenes/crt_random.h"
#include "scenes/dust_cloud.h"
#include "scenes/plume_scene.h"
#include "scenes/sheet_pen.h"
#include "scenes/smoke_speed.h"
#include "scenes/title_strokes.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

namespace {

TEST(DustCloudTest, ScattersTheUnseededCrtSequenceMappedToTheSpan) {
    // The Windows C runtime's unseeded rand(): 41, 18467, 6334, ...
    CrtRandom random;
    const std::vector<float> two = scatterDust(random, 2, PlumeScene::dustSpan);
    const std::vector<float> expected = {-4.959f, 3.467f, 1.334f, 1.5f, 4.169f, 0.724f};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(two.at(i), expected[i], 1e-5f) << i;
    EXPECT_EQ(random.next(), 11478);
    // Each generator keeps its own state.
    EXPECT_EQ(CrtRandom().next(), 41);
}

// A burst opens just after its start at 4.84 times its scale and falls as a parabola to 1.
TEST(SmokeSpeed, NineBurstsOnTheBeatsOverABaseOfOne) {
    const std::vector<std::pair<double, double>> speeds = {
        {34.2, 4.84},        {34.3, 1.9 * 1.9},       {36.3, 1.0},
        {36.3 + 1e-9, 4.84}, {36.5, 1.6 * 1.6},       {38.5 + 1e-9, 4.84},
        {40.6 + 1e-9, 4.84}, {42.9 + 1e-9, 4.84},     {45.15, 1.6 * 1.6},
        {47.15, 1.0},        {47.15 + 1e-9, 3.872},   {49.25 + 1e-9, 2.904},
        {50.5 + 1e-9, 2.42}, {50.7, 0.5 * 1.6 * 1.6}, {53.0, 1.0}};
    for (const auto& [t, speed] : speeds)
        EXPECT_NEAR(smokeSpeed(t), speed, 1e-5) << t;
}

void expectPen(const SheetPen& pen, const SheetPen& expected) {
    for (const auto part : {&SheetPen::posX, &SheetPen::posY, &SheetPen::dirX, &SheetPen::dirY})
        EXPECT_FLOAT_EQ(pen.*part, expected.*part);
}

TEST(SheetPen, MovesFromEachSegmentsSecondPointToItsFirstAndLiftsBetweenStrokes) {
    // At a segment's end only the next one is active; where two overlap the later one wins.
    const std::array<PenSegmentTime, 3> times{{{20, 40}, {0, 20}, {30, 50}}};
    const std::array<PenSegmentPoints, 3> points{
        {{0.2f, 0.4f, 0.6f, 0.8f}, {0.7f, 0.7f, 0.9f, 0.9f}, {0.3f, 0.6f, 0.5f, 0.6f}}};
    const std::vector<std::pair<double, SheetPen>> pens = {{20.0, {0.1f, -0.3f, -0.4f, -0.4f}},
                                                           {25.0, {0.0f, -0.2f, -0.4f, -0.4f}},
                                                           {30.0, {0.0f, -0.1f, -0.2f, 0.0f}},
                                                           {50.0, penLifted},
                                                           {-0.001, penLifted}};
    for (const auto& [clock, pen] : pens)
        expectPen(penAt(clock, times, points), pen);
    // The title's pen clock runs from 85.9 s at 700 units a second.
    const PenSegmentPoints& first = titleStrokePoints[0];
    expectPen(titlePenAt(85.9),
              {first.xb - 0.5f, 0.5f - first.yb, first.xa - first.xb, first.ya - first.yb});
    expectPen(titlePenAt(85.89), penLifted);
    expectPen(titlePenAt(97.6), penLifted);
}

} // namespace
