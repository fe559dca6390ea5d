#include "demo/demo_scenes.h"
#include "scenes/crt_random.h"
#include "scenes/dust_cloud.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "text/finale_scene.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

namespace {

class DemoScenesTest : public GlTest {
  protected:
    DemoScenesTest() : GlTest(32, 18) {}
};

TEST_F(DemoScenesTest, BuildsEveryWindowsSceneOnOneRandomSequence) {
    setFixedGlState();
    SharedGpu shared;
    DemoScenes scenes(window(), shared);
    SceneSet& set = scenes.set();
    ASSERT_TRUE(set.shaft && set.plume && set.finale && set.sheet);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));

    // The plume, built first, takes 12,000 values; the closing scene's dust continues from there,
    // as the C runtime's single sequence would give it.
    CrtRandom expected;
    for (int i = 0; i < 12000; ++i)
        expected.next();
    const auto* finale = dynamic_cast<const FinaleScene*>(set.finale);
    ASSERT_NE(finale, nullptr);
    EXPECT_EQ(readVertexBuffer(finale->dustMesh(), 30000), scatterDust(expected, 10000, 40.0f));
}

} // namespace
