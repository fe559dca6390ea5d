#include "app/timeline_director.h"
#include "tests/support/gl_test.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

std::vector<std::string> stepNames(const FramePlan& plan) {
    std::vector<std::string> names;
    for (FrameStep step : plan.steps)
        names.emplace_back(stepName(step));
    return names;
}

// The position on the cut orbits for an orbit parameter u (a float, as the director keeps it).
void expectOrbitPoint(const Camera& camera, float u, double scale = 1.0) {
    const double ud = u;
    EXPECT_DOUBLE_EQ(camera.pos.x, scale * (2.0 * std::sin(0.11 * ud) + std::sin(0.5 * ud)));
    EXPECT_DOUBLE_EQ(camera.pos.y, scale * std::sin(0.21 * ud));
}

float floatAbove(float t) {
    return std::nextafter(t, 1000.0f);
}

float floatBelow(float t) {
    return std::nextafter(t, 0.0f);
}

TEST(OpeningPath, StartsTurnedAwayAndFadesTheTurnOutBy33) {
    TimelineDirector director;
    FramePlan plan = director.plan(0.0f);
    EXPECT_EQ(stepNames(plan), (std::vector<std::string>{"shaft.update", "shaft.draw"}));
    EXPECT_EQ(plan.camera.dir.x, -11.0);
    EXPECT_EQ(plan.camera.dir.y, 0.0);
    EXPECT_EQ(plan.camera.pos.x, 0.0);
    EXPECT_EQ(plan.camera.pos.y, 0.0);
    EXPECT_EQ(plan.camera.pos.z, 3.0);

    // At 30 s the turn is ease(0.6)^2 = 0.648^2 of its full size.
    plan = director.plan(30.0f);
    EXPECT_NEAR(plan.camera.dir.y / std::sin(12.0), 0.419904, 1e-6);

    for (float t : {33.0f, 40.0f, 50.0f}) {
        plan = director.plan(t);
        EXPECT_EQ(plan.camera.dir.x, 0.0) << t;
        EXPECT_EQ(plan.camera.dir.y, 0.0) << t;
    }
}

TEST(OpeningPath, MovesForwardFrom51AndNeverWritesX) {
    TimelineDirector director;
    EXPECT_EQ(director.plan(51.0f).camera.pos.z, 3.0);
    const FramePlan plan = director.plan(59.99f);
    EXPECT_EQ(plan.camera.pos.x, 0.0);
    EXPECT_NEAR(plan.camera.pos.y, -0.4553, 5e-5);
    EXPECT_NEAR(plan.camera.pos.z, -3.829, 5e-4);
}

TEST(OpeningPath, KeepsPositionFromBeforeWhereItDoesNotWriteIt) {
    TimelineDirector director;
    director.plan(55.0f);
    const double y = director.camera().pos.y;
    EXPECT_LT(y, 0.0);
    // An earlier moment writes only the angles; the position stays where the camera was.
    const FramePlan plan = director.plan(20.0f);
    EXPECT_EQ(plan.camera.pos.y, y);
    EXPECT_NE(plan.camera.dir.x, 0.0);
}

TEST(PlumeWindow, RisesThenCutsAlongTheOrbit) {
    TimelineDirector director;
    FramePlan plan = director.plan(60.0f);
    EXPECT_EQ(stepNames(plan), (std::vector<std::string>{"plume.update", "plume.draw"}));
    EXPECT_DOUBLE_EQ(plan.camera.pos.x, 0.1);
    EXPECT_DOUBLE_EQ(plan.camera.pos.y, -0.3);
    EXPECT_DOUBLE_EQ(plan.camera.pos.z, 0.3);
    EXPECT_EQ(plan.camera.dir.x, 0.0);

    plan = director.plan(floatBelow(68.6f));
    EXPECT_DOUBLE_EQ(plan.camera.pos.x, 0.1);

    plan = director.plan(68.6f);
    expectOrbitPoint(plan.camera, 68.6f);
    // It looks at (-1, 0, 0).
    const double dx = plan.camera.pos.x + 1.0;
    EXPECT_DOUBLE_EQ(plan.camera.dir.x, -std::atan2(dx, plan.camera.pos.z));

    plan = director.plan(73.25f);
    expectOrbitPoint(plan.camera, 73.25f + 2.0f * 11.46f);
}

TEST(PlumeWindow, LateCutsCompareTheTimeInDoublePrecision) {
    TimelineDirector director;
    // 77.6f and 79.6f are just below 77.6 and 79.6: the cut has not happened yet.
    expectOrbitPoint(director.plan(77.6f).camera, 77.6f + 3.0f * 11.46f);
    expectOrbitPoint(director.plan(floatAbove(77.6f)).camera, floatAbove(77.6f) + 4.0f * 11.46f);
    expectOrbitPoint(director.plan(79.6f).camera, 79.6f + 4.0f * 11.46f);
    expectOrbitPoint(director.plan(floatAbove(79.6f)).camera, floatAbove(79.6f) + 7.0f * 11.46f);
}

TEST(FinaleWindow, StartsAt81Point8WithTheSheetDrawnButNotStepped) {
    TimelineDirector director;
    EXPECT_EQ(stepNames(director.plan(floatBelow(81.8f))).front(), "plume.update");

    const FramePlan plan = director.plan(81.8f);
    EXPECT_EQ(stepNames(plan), (std::vector<std::string>{
                                   "clear", "finish", "finish", "finale.update", "finish",
                                   "finale.draw", "finish", "finish", "sheet.draw", "finish"}));
    const float u = 81.8f - 11.46f;
    EXPECT_NEAR(u, 70.34f, 1e-4f);
    const double ud = u;
    EXPECT_DOUBLE_EQ(plan.camera.pos.x, 1.5 * (2.0 * std::sin(0.11 * ud) + std::sin(0.5 * ud)));
    EXPECT_DOUBLE_EQ(plan.camera.pos.z,
                     1.5 * std::abs(2.0 * std::cos(0.11 * ud) + std::cos(0.5 * ud)) +
                         static_cast<double>(2.7f));
}

TEST(FinaleWindow, SheetStepsOnlyAfter85Point9) {
    TimelineDirector director;
    auto stepsSheet = [&](float t) {
        for (FrameStep step : director.plan(t).steps)
            if (step == FrameStep::SheetUpdate)
                return true;
        return false;
    };
    EXPECT_FALSE(stepsSheet(85.0f));
    EXPECT_FALSE(stepsSheet(floatBelow(85.9f)));
    // 85.9f lies above 85.9, and the test is made in double precision.
    EXPECT_TRUE(stepsSheet(85.9f));
    EXPECT_TRUE(stepsSheet(100.0f));
}

TEST(FinaleWindow, RestCameraFrom100To104Point5ThenTheFinaleOrbit) {
    TimelineDirector director;
    for (float t : {100.0f, 102.0f, 104.5f}) {
        const FramePlan plan = director.plan(t);
        EXPECT_EQ(plan.camera.pos.x, 0.0) << t;
        EXPECT_EQ(plan.camera.pos.y, 0.0) << t;
        EXPECT_EQ(plan.camera.pos.z, 3.0) << t;
        EXPECT_EQ(plan.camera.dir.x, 0.0) << t;
        EXPECT_EQ(plan.camera.dir.y, 0.0) << t;
    }
    // At exactly 104.5 the sheet neither steps nor draws.
    EXPECT_EQ(stepNames(director.plan(104.5f)),
              (std::vector<std::string>{"clear", "finish", "finish", "finale.update", "finish",
                                        "finale.draw", "finish"}));

    const FramePlan plan = director.plan(104.6f);
    const double r = 1.0 - static_cast<double>(1.0f - 0.001184f);
    EXPECT_NEAR(plan.camera.pos.z, 3.0, 0.05);
    EXPECT_NEAR(plan.camera.pos.y, r * (1.5 * std::sin(0.21 * 104.6) + 2.0), 1e-5);
}

TEST(FinaleWindow, LateOrbitRisesAndLooksAtHeight24) {
    TimelineDirector director;
    for (float t : {142.0f, 170.0f, 199.9f}) {
        const Camera camera = director.plan(t).camera;
        const double td = t;
        EXPECT_DOUBLE_EQ(camera.pos.y, 1.5 * std::sin(0.21 * td) + 22.0) << t;
        const double dx = camera.pos.x + 1.0;
        const double dz = camera.pos.z + 5.0;
        EXPECT_DOUBLE_EQ(camera.dir.y,
                         std::atan2(camera.pos.y - 24.0, std::sqrt(dx * dx + dz * dz)))
            << t;
        EXPECT_DOUBLE_EQ(camera.dir.x, -std::atan2(dx, dz)) << t;
    }
}

// Records the scene calls a frame makes, with the camera each draw got.
class RecordingScene : public Scene {
  public:
    RecordingScene(std::string name, std::vector<std::string>& log)
        : name_(std::move(name)), log_(log) {}
    void update(double t) override { log_.push_back(name_ + ".update@" + std::to_string(t)); }
    void draw(double t, double dirX, double, double, double, double posZ) override {
        log_.push_back(name_ + ".draw@" + std::to_string(t) + " " + std::to_string(dirX) + " " +
                       std::to_string(posZ));
    }

  private:
    std::string name_;
    std::vector<std::string>& log_;
};

class RunFrameTest : public GlTest {};

TEST_F(RunFrameTest, CallsTheScenesInOrderWithTheFrameCamera) {
    std::vector<std::string> log;
    RecordingScene shaft("shaft", log), plume("plume", log), finale("finale", log),
        sheet("sheet", log);
    SceneSet scenes{&shaft, &plume, &finale, &sheet};
    TimelineDirector director;

    director.run(90.0f, scenes);
    const Camera camera = director.camera();
    const std::string drawn =
        "@90.000000 " + std::to_string(camera.dir.x) + " " + std::to_string(camera.pos.z);
    EXPECT_EQ(log, (std::vector<std::string>{"finale.update@90.000000", "finale.draw" + drawn,
                                             "sheet.update@90.000000", "sheet.draw" + drawn}));

    // A scene that does not exist is skipped; the clear still reaches the framebuffer.
    log.clear();
    SceneSet onlyShaft{&shaft, nullptr, nullptr, nullptr};
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    director.run(120.0f, onlyShaft);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(pixelAt(3, 3)[2], 255);
    EXPECT_EQ(pixelAt(3, 3)[0], 0);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

} // namespace
