#include "tests/support/gl_test.h"

#include "platform/gl.h"

#include <stdexcept>

namespace {

class HeadlessGlWindowTest : public GlTest {
  protected:
    HeadlessGlWindowTest() : GlTest(37, 19) {}
};

TEST_F(HeadlessGlWindowTest, IsAThreeThreeCoreContextOfExactlyTheRequestedSize) {
    GLint viewport[4] = {}, profile = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_TRUE(viewport[2] == 37 && viewport[3] == 19 && (profile & GL_CONTEXT_CORE_PROFILE_BIT));
    EXPECT_THROW(HeadlessGlWindow(0, 10), std::runtime_error);
    EXPECT_THROW(HeadlessGlWindow(10, 0), std::runtime_error);
}

} // namespace
