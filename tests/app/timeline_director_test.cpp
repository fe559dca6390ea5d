#include "app/timeline_director.h"
#include "gpu/render_target.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// The floats either side of a constant c: the last below it and the first at or above it.
float below(double c) {
    return static_cast<float>(c) < c ? static_cast<float>(c) : std::nextafter(float(c), 0.0f);
}
float from(double c) {
    return static_cast<float>(c) >= c ? static_cast<float>(c) : std::nextafter(float(c), 1e3f);
}
// The float just below a float constant, for the tests made in single precision.
float justBelow(float c) {
    return std::nextafter(c, 0.0f);
}

TEST(TimelineDirector, RunsTheScenesOfEachWindowOnBothSidesOfEveryBoundary) {
    const std::string finale = "clear finish finish finale.update finish finale.draw finish";
    const std::string frames[] = {"shaft.update shaft.draw", "plume.update plume.draw",
                                  finale + " finish sheet.draw finish",
                                  finale + " sheet.update finish sheet.draw finish", finale};
    // clang-format off
    for (const auto& [t, frame] : {std::pair{0.0f, 0}, {justBelow(60.0f), 0}, {60.0f, 1},
             {below(81.8), 1}, {from(81.8), 2}, {below(85.9), 2}, {from(85.9), 3},
             {justBelow(104.5f), 3}, {104.5f, 4}, {std::nextafter(104.5f, 200.0f), 4}, {199.99f, 4}}) {
        // clang-format on
        std::string names;
        for (FrameStep step : TimelineDirector().plan(t).steps)
            names += std::string(names.empty() ? 0 : 1, ' ') + std::string(stepName(step));
        EXPECT_EQ(names, frames[frame]) << t;
    }
}

void expectAt(const Camera& camera, const Ray& pos, double tolerance = 1e-9) {
    EXPECT_NEAR(camera.pos.x, pos[0], tolerance);
    EXPECT_NEAR(camera.pos.y, pos[1], tolerance);
    EXPECT_NEAR(camera.pos.z, pos[2], tolerance);
}

// The camera, its angles undone by the fade that scales them, looks at `target`: the target
// lands in front, in the middle of the screen.
void expectLooksAt(Camera camera, const Ray& target, double fade) {
    EXPECT_TRUE(fade != 0.0 || (camera.dir.x == 0.0 && camera.dir.y == 0.0));
    if (fade == 0.0)
        return;
    camera.dir = {camera.dir.x / fade, camera.dir.y / fade};
    const auto clip = worldToClipReference(target, camera, {1.0f, 2.0f, -1.0f, -0.2f});
    EXPECT_NEAR(clip[0] / clip[3], 0.0, 1e-3);
    EXPECT_NEAR(clip[1] / clip[3], 0.0, 1e-3);
    EXPECT_GT(clip[3], 0.0);
}

TEST(TimelineDirector, OrbitsCutAtEachFloatOrDoubleTimeAndShrinkToRestFrom95To100) {
    for (const float t : {60.0f, justBelow(68.6f)})
        expectAt(TimelineDirector().plan(t).camera, {0.1, (t - 60.0) * 0.11 - 0.3, 0.3});
    struct Row {
        float t;
        int cuts;
        double m = 1.0; // the fading orbit's size, 1 - ease((t - 95) / 5)
    };
    // 68.6, 70.6, 73.25, 75.5 and 83.8 are compared as floats, the others as doubles: the float
    // nearest 68.6, 70.6, 77.6, 79.6 and 90.45 lies below the constant and counts only as a float.
    // clang-format off
    for (const Row& row : {Row{68.6f, 0}, {justBelow(70.6f), 0}, {70.6f, 1}, {below(73.25), 1},
             {73.25f, 2}, {below(75.5), 2}, {75.5f, 3}, {77.6f, 3}, {from(77.6), 4}, {79.6f, 4},
             {from(79.6), 7}, {below(81.8), 7}, {from(81.8), -1}, {justBelow(83.8f), -1},
             {83.8f, 1}, {below(85.9), 1}, {from(85.9), 2}, {below(87.9), 2}, {from(87.9), 3},
             {90.45f, 3}, {from(90.45), 5}, {below(92.65), 5}, {from(92.65), 6}, {95.0f, 6},
             {96.0f, 6, 0.896}, {97.5f, 6, 0.5}, {99.0f, 6, 0.104}, {100.0f, 6, 0.0},
             {104.5f, 6, 0.0}}) {
        // clang-format on
        SCOPED_TRACE(row.t);
        const Camera camera = TimelineDirector().plan(row.t).camera;
        const double u = row.t + 11.46f * row.cuts, m = row.m;
        const Ray p = {2.0 * std::sin(0.11 * u) + std::sin(0.5 * u), std::sin(0.21 * u),
                       2.0 * std::cos(0.11 * u) + std::cos(0.5 * u)};
        if (row.t < 81.8f)
            expectAt(camera, p);
        else
            expectAt(camera,
                     {1.5 * m * p[0], 1.5 * m * p[1],
                      m * (1.5 * std::fabs(p[2]) + 2.7) + 3.0 * (1.0 - m)},
                     1e-6);
        expectLooksAt(camera, {-1.0, 0.0, 0.0}, m);
    }
}

TEST(TimelineDirector, FinaleOrbitBlendsInAfter104Point5AndRisesFrom130) {
    // The blend r, how far the camera has risen and how far the point it looks at.
    // clang-format off
    for (const auto& [t, r, cameraRise, targetRise] : {std::tuple{104.52f, 4.7857e-5, 0.0, 0.0}, {104.6f, 0.001184, 0.0, 0.0},
             {107.0f, 0.5, 0.0, 0.0}, {109.5f, 1.0, 0.0, 0.0}, {131.0f, 1.0, 0.0, 0.56},
             {137.0f, 1.0, 10.0, 15.68}, {142.0f, 1.0, 20.0, 20.0}, {199.9f, 1.0, 20.0, 20.0}}) {
        // clang-format on
        SCOPED_TRACE(t);
        const Camera camera = TimelineDirector().plan(t).camera;
        const double s = t;
        expectAt(camera,
                 {1.5 * r * (2.0 * std::sin(0.5 * s) + 8.0 * std::sin(0.11 * s)),
                  r * (1.5 * std::sin(0.21 * s) + 2.0) + cameraRise,
                  r * (1.5 * (2.0 * std::cos(0.5 * s) + 8.0 * std::cos(0.11 * s)) - 5.0) +
                      3.0 * (1.0 - r)},
                 1e-5);
        expectLooksAt(camera, {-1.0, 4.0 + targetRise, -5.0}, r);
    }
}

TEST(TimelineDirector, OpeningPathTurnsUntil33ThenMovesForwardFrom51) {
    // pos.y and pos.z: still until 51 s, then moving forward.
    // clang-format off
    for (const auto& [t, y, z] : {std::tuple{0.0f, 0.0, 3.0}, {1.0f, 0.0, 3.0}, {10.5f, 0.0, 3.0},
             {29.0f, 0.0, 3.0}, {30.0f, 0.0, 3.0}, {32.99f, 0.0, 3.0}, {33.0f, 0.0, 3.0},
             {51.0f, 0.0, 3.0}, {59.99f, -0.4553, -3.829}}) {
        // clang-format on
        SCOPED_TRACE(t);
        const Camera camera = TimelineDirector().plan(t).camera;
        // k = ease(1 - c)^2 in single precision, and sin(t) rounded to a float before halving.
        const float s = static_cast<float>(1.0 - std::clamp((t - 28.0) * 0.2, 0.0, 1.0));
        const float e = static_cast<float>((3.0 - 2.0 * s) * (s * s));
        const double sine = static_cast<float>(std::sin(double(t)));
        EXPECT_NEAR(camera.dir.x, (e * e) * (0.5 * sine + 0.5 * t + std::sin(0.4 * t) - 11.0),
                    1e-13);
        EXPECT_NEAR(camera.dir.y, (e * e) * std::sin(0.4 * t), 1e-6);
        EXPECT_EQ(camera.dir.x == 0.0, t >= 33.0f);
        expectAt(camera, {0.0, y, z}, 5e-4);
    }
}

// Notes the scene calls a frame makes, with the time and the camera's yaw and z it got.
struct RecordingScene : Scene {
    RecordingScene(char n, std::string& l) : name(n), log(l) {}
    void update(double t) override { log += std::string(1, name) + "u" + std::to_string(t) + " "; }
    void draw(double t, double yaw, double, double, double, double z) override {
        log += std::string(1, name) + "d" + std::to_string(t + yaw + z) + " ";
    }
    char name;
    std::string& log;
};

class RunFrameTest : public GlTest {};

TEST_F(RunFrameTest, CallsTheScenesInOrderWithTheFrameCameraAndClearsTheWindow) {
    std::string log;
    RecordingScene shaft('a', log), plume('b', log), last('c', log), sheet('d', log);
    SceneSet scenes{&shaft, &plume, &last, &sheet}, onlyShaft{&shaft};
    TimelineDirector director;
    director.run(90.0f, scenes);
    const std::string drawn =
        std::to_string(90.0 + director.camera().dir.x + director.camera().pos.z);
    EXPECT_EQ(log, "cu90.000000 cd" + drawn + " du90.000000 dd" + drawn + " ");
    // Scenes that do not exist are skipped; the clear still reaches the window, whatever target
    // the last pass drew to.
    log.clear();
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    const RenderTarget offscreen;
    glBindFramebuffer(GL_FRAMEBUFFER, offscreen.fbo());
    director.run(120.0f, onlyShaft);
    EXPECT_EQ(log, "");
    EXPECT_EQ(pixelAt(3, 3), (std::array<unsigned char, 4>{0, 0, 255, 255}));
}

} // namespace
