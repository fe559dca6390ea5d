#include "app/camera.h"

#include <gtest/gtest.h>

namespace {

TEST(Camera, ProjectAndAspectAreTheTableValuesInSinglePrecision) {
    for (const auto& [range, z, w] : {std::tuple{DepthRange::Near0_01Far50, -1.0004f, -0.020004f},
                                      {DepthRange::Near0_01Far5, -1.004008f, -0.02004008f},
                                      {DepthRange::Near0_1Far500, -1.0004f, -0.20004f}}) {
        const ProjectVector p = project(1280, 720, range);
        EXPECT_TRUE(p.x == 1.125f && p.y == 2.0f) << z;
        EXPECT_FLOAT_EQ(p.z, z);
        EXPECT_FLOAT_EQ(p.w, w);
    }
    EXPECT_EQ(aspect(1920, 1080), 1.7777778f);
    EXPECT_EQ(project(37, 19, DepthRange::Near0_01Far5).x, 38.0f / 37.0f);
    EXPECT_EQ(aspect(37, 19), 37.0f / 19.0f);
}

} // namespace
