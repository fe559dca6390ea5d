#include "app/camera.h"

#include <gtest/gtest.h>

namespace {

TEST(Camera, StartsAsTheRestCamera) {
    const Camera camera;
    EXPECT_EQ(camera.pos.x, 0.0);
    EXPECT_EQ(camera.pos.y, 0.0);
    EXPECT_EQ(camera.pos.z, 3.0);
    EXPECT_EQ(camera.dir.x, 0.0);
    EXPECT_EQ(camera.dir.y, 0.0);
}

TEST(Camera, PresetsAreTheFormulasRoundedToFloat) {
    struct Preset {
        DepthRange range;
        double n, f;
        float z, w; // the rounded table values
    };
    for (const Preset& preset :
         {Preset{DepthRange::Near0_01Far50, 0.01, 50.0, -1.0004f, -0.020004f},
          Preset{DepthRange::Near0_01Far5, 0.01, 5.0, -1.004008f, -0.02004008f},
          Preset{DepthRange::Near0_1Far500, 0.1, 500.0, -1.0004f, -0.20004f}}) {
        SCOPED_TRACE(preset.f);
        const ProjectVector p = project(1920, 1080, preset.range);
        EXPECT_EQ(p.y, 2.0f);
        EXPECT_EQ(p.z, static_cast<float>(-(preset.f + preset.n) / (preset.f - preset.n)));
        EXPECT_EQ(p.w, static_cast<float>(-2.0 * preset.f * preset.n / (preset.f - preset.n)));
        EXPECT_NEAR(p.z, preset.z, 1e-6f);
        EXPECT_NEAR(p.w, preset.w, 1e-7f);
    }
}

TEST(Camera, DepthRunsFromMinusOneAtNearToOneAtFar) {
    for (const auto& [range, n, f] : {std::tuple{DepthRange::Near0_01Far50, 0.01, 50.0},
                                      std::tuple{DepthRange::Near0_01Far5, 0.01, 5.0},
                                      std::tuple{DepthRange::Near0_1Far500, 0.1, 500.0}}) {
        const ProjectVector p = project(640, 480, range);
        // Clip z over clip w at p.z = -n and p.z = -f.
        EXPECT_NEAR((-n * p.z + p.w) / n, -1.0, 1e-4);
        EXPECT_NEAR((-f * p.z + p.w) / f, 1.0, 1e-4);
    }
}

TEST(Camera, ProjectXAndAspectFollowTheWindowInSinglePrecision) {
    EXPECT_EQ(project(1920, 1080, DepthRange::Near0_01Far50).x, 1.125f);
    EXPECT_EQ(project(1280, 720, DepthRange::Near0_1Far500).x, 1.125f);
    EXPECT_EQ(aspect(1920, 1080), 1.7777778f);
    EXPECT_EQ(aspect(1280, 720), 1.7777778f);
    for (const auto& [w, h] :
         {std::pair{1366, 768}, std::pair{37, 19}, std::pair{800, 600}, std::pair{1, 4096}}) {
        EXPECT_EQ(project(w, h, DepthRange::Near0_01Far5).x,
                  static_cast<float>(h) * 2.0f / static_cast<float>(w));
        EXPECT_EQ(aspect(w, h), static_cast<float>(w) / static_cast<float>(h));
        // project.x is twice the inverse aspect: the horizontal field follows the vertical one.
        EXPECT_NEAR(project(w, h, DepthRange::Near0_01Far5).x * aspect(w, h), 2.0f, 1e-6f);
    }
}

} // namespace
