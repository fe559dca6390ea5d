#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "text/finale_scene.h"

namespace {

class DemoScenesTest : public SceneTest {
  protected:
    DemoScenesTest() : SceneTest(32, 18) {}
};

TEST_F(DemoScenesTest, BuildsEveryWindowsSceneOnOneRandomSequence) {
    DemoScenes scenes(window(), *shared_);
    const SceneSet& set = scenes.set();
    ASSERT_TRUE(set.shaft && set.plume && set.finale && set.sheet);
    // The plume, built first, takes 12,000 values; the closing scene's dust goes on from there.
    CrtRandom random;
    for (int i = 0; i < 12000; ++i)
        random.next();
    EXPECT_EQ(readVertexBuffer(dynamic_cast<const FinaleScene&>(*set.finale).dustMesh(), 1)[0],
              (random.next() % 10000 / 1e4f - 0.5f) * 40.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
