#include "gpu/render_target.h"
#include "gpu/texture.h"
#include "tests/support/gl_test.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

class RenderTargetTest : public GlTest {};

TEST_F(RenderTargetTest, BindEnablesTheLeadingRunOfAttachedColourSlotsOnly) {
    const Texture2D image(ImageKind::Colour, 4, 4), depth(ImageKind::Depth, 4, 4);
    RenderTarget probe;
    const int all = probe.colorSlots();
    struct Row {
        int attached; // slots 0 .. attached - 1
        int detached; // then this one again, -1 for none
        bool withDepth;
        int enabled;
    };
    for (const Row& row : {Row{0, -1, false, 0}, Row{2, -1, false, 2}, Row{3, 1, false, 1},
                           Row{0, -1, true, 0}, Row{all, -1, true, all}}) {
        SCOPED_TRACE(row.attached * 10 + row.detached);
        RenderTarget target;
        for (int slot = 0; slot < row.attached; ++slot)
            target.attach(slot, &image);
        if (row.detached >= 0)
            target.attach(row.detached, nullptr);
        if (row.withDepth)
            target.attachDepth(&depth);
        target.bind(3, 2);
        for (int i = 0; i < all; ++i) {
            GLint buffer = -1;
            glGetIntegerv(GL_DRAW_BUFFER0 + i, &buffer);
            EXPECT_EQ(buffer, i < row.enabled ? GL_COLOR_ATTACHMENT0 + i : GL_NONE) << i;
        }
        EXPECT_EQ(target.slots().back(), row.withDepth ? GLenum{GL_DEPTH_ATTACHMENT} : 0u);
        std::array<GLint, 4> viewport{};
        glGetIntegerv(GL_VIEWPORT, viewport.data());
        EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 3, 2}));
        // Detaching clears the slot and the attachment point.
        target.attachDepth(nullptr);
        EXPECT_EQ(target.slots().back(), 0u);
        for (const GLenum point : {GLenum{GL_DEPTH_ATTACHMENT}, GLenum(GL_COLOR_ATTACHMENT0 + 1)}) {
            GLint type = -1;
            glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, point,
                                                  GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
            EXPECT_EQ(type != GL_NONE, point != GL_DEPTH_ATTACHMENT && row.enabled > 1);
        }
    }
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

} // namespace
