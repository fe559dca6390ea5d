#include "tests/support/gl_test.h"

#include "platform/gl.h"

#include <stdexcept>

namespace {

class HeadlessGlWindowTest : public GlTest {
  protected:
    HeadlessGlWindowTest() : GlTest(37, 19) {}
};

TEST_F(HeadlessGlWindowTest, DefaultFramebufferIsExactlyTheRequestedSize) {
    EXPECT_EQ(window().width(), 37);
    EXPECT_EQ(window().height(), 19);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 37);
    EXPECT_EQ(viewport[3], 19);

    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(window().present());
    EXPECT_EQ(pixelAt(36, 18)[1], 255);
    EXPECT_EQ(pixelAt(0, 0)[0], 0);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(HeadlessGlWindowTest, ContextIsThreeThreeCoreWithDepth) {
    GLint major = 0, minor = 0, profile = 0, depthBits = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_GE(major * 10 + minor, 33);
    EXPECT_TRUE(profile & GL_CONTEXT_CORE_PROFILE_BIT);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH,
                                          GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &depthBits);
    EXPECT_GE(depthBits, 24);
}

TEST(HeadlessGlWindow, RefusesAnEmptySize) {
    EXPECT_THROW(HeadlessGlWindow(0, 10), std::runtime_error);
    EXPECT_THROW(HeadlessGlWindow(10, -1), std::runtime_error);
}

TEST(HeadlessGlWindow, ReportsARenderSizeLimit) {
    const auto size = maxRenderSize();
    ASSERT_TRUE(size.has_value());
    EXPECT_GE(*size, 1920);
}

} // namespace
