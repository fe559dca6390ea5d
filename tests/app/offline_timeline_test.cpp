#include "app/music_clock.h"
#include "app/offline_timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Holds the times of its simulation steps: an update adds one, a take-back removes the last; a
// draw notes the steps it shows.
struct StepRecord final : Scene {
    void update(double t) override { steps.push_back(t); }
    void draw(double, double, double, double, double, double) override { drawn = steps; }
    void takeBackStep(double t) override {
        ASSERT_EQ(steps.back(), t);
        steps.pop_back();
    }
    std::vector<double> steps, drawn;
};

// The steps the frame at t shows after the given frames were rendered.
std::vector<double> stepsShownAfter(const std::vector<float>& earlier, float t = 1.5f) {
    StepRecord shaft;
    SceneSet scenes{&shaft};
    OfflineTimeline timeline(scenes);
    for (float e : earlier)
        timeline.render(e);
    timeline.render(t);
    return shaft.drawn;
}

TEST(OfflineTimeline, FramesRenderedBeforeChangeNothingTheFrameAtTShows) {
    std::vector<float> clock = {0.0f};
    while (clock.size() < 91)
        clock.push_back(clock.back() + kFrameStep);
    const std::vector<double> alone = stepsShownAfter({});
    // The 91 clock frames before 1.5 (the last is 1.49999928), then 1.5 itself.
    std::vector<double> expected(clock.begin(), clock.end());
    expected.push_back(1.5);
    ASSERT_EQ(alone, expected);
    // A clock frame rendered on its own shows its own step once.
    expected.pop_back();
    EXPECT_EQ(stepsShownAfter({}, clock[90]), expected);
    // Between two clock frames; on one, which counts as played; a run of both, as a video
    // renders them; the last clock frame and the float just before 1.5.
    for (const std::vector<float>& earlier : {std::vector<float>{1.0f},
                                              {clock[30]},
                                              {1.0f, clock[70], 1.25f, 1.3f},
                                              {clock[90], std::nextafter(1.5f, 0.0f)}})
        EXPECT_EQ(stepsShownAfter(earlier), alone) << earlier.size() << " frames before";
}

} // namespace
