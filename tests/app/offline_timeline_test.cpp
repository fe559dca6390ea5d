#include "app/music_clock.h"
#include "app/offline_timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Keeps the times of the simulation steps it holds: every update (and fast-forward) adds one, a
// take-back removes the last; a draw notes the steps it shows.
class StepRecord final : public Scene {
  public:
    void update(double t) override { steps.push_back(t); }
    void draw(double, double, double, double, double, double) override { drawn = steps; }
    void takeBackStep(double t) override {
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(steps.back(), t);
        steps.pop_back();
    }

    std::vector<double> steps;
    std::vector<double> drawn;
};

// The steps the frame at `t` shows when `earlier` frames were rendered before it.
std::vector<double> stepsAfter(const std::vector<float>& earlier, float t) {
    StepRecord shaft;
    SceneSet scenes;
    scenes.shaft = &shaft;
    OfflineTimeline timeline(scenes);
    for (float e : earlier)
        timeline.render(e);
    timeline.render(t);
    return shaft.drawn;
}

float clockFrame(int n) {
    float t = 0.0f;
    for (int i = 0; i < n; ++i)
        t += kFrameStep;
    return t;
}

TEST(OfflineTimeline, FramesRenderedBeforeChangeNothingTheFrameAtTShows) {
    const float t = 1.5f;
    const std::vector<double> alone = stepsAfter({}, t);
    // The clock frames before 1.5 (the 91st is 1.49999928), then 1.5 itself.
    ASSERT_EQ(alone.size(), 92u);
    EXPECT_EQ(alone[90], static_cast<double>(clockFrame(90)));
    EXPECT_EQ(alone.back(), 1.5);
    const std::vector<std::vector<float>> earlier = {
        {1.0f},                                   // between two clock frames (0.9999997, 1.0166664)
        {clockFrame(30)},                         // on a clock frame, which counts as played
        {1.0f, clockFrame(70), 1.25f, 1.3f},      // a run of both, as a video renders them
        {clockFrame(90), std::nextafter(t, 0.f)}, // the last clock frame, and just before t
    };
    for (const std::vector<float>& frames : earlier)
        EXPECT_EQ(stepsAfter(frames, t), alone) << frames.size() << " frames before";
}

} // namespace
