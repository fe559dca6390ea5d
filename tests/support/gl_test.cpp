#include "tests/support/gl_test.h"

#include "gpu/pass_state.h"

#include "platform/gl.h"

std::array<unsigned char, 4> GlTest::pixelAt(int x, int y) {
    std::array<unsigned char, 4> pixel{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    return pixel;
}

void SceneTest::SetUp() {
    GlTest::SetUp();
    setFixedGlState();
    shared_ = std::make_unique<SharedGpu>();
}

void SceneTest::TearDown() {
    shared_.reset();
    GlTest::TearDown();
}

void drawAt(Scene& scene, double t, const Camera& camera) {
    scene.draw(t, camera.dir.x, camera.dir.y, camera.pos.x, camera.pos.y, camera.pos.z);
}
